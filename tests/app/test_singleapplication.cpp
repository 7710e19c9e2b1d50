// The single-instance guard, with real processes (the helper program), real local sockets and
// the real shared block.
#include "singleapplication.h"
#include "singleapplication_p.h"
#include "qstringprinter.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDataStream>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QSharedMemory>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

const QString kHelper = QStringLiteral(IQAPP_TEST_HELPER);

// One run of the helper program, read line by line.
class Helper {
public:
    explicit Helper(const QStringList& args, const QString& program = kHelper) {
        process.setProgram(program);
        process.setArguments(args);
        process.start();
        started = process.waitForStarted(10000);
    }
    ~Helper() {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(10000);
        }
    }

    // Waits until a line beginning with prefix arrives; returns it ("" when none came).
    QString waitForLine(const QString& prefix, int msecs = 10000) {
        QElapsedTimer timer;
        timer.start();
        for (;;) {
            readLines(); // the event loop may have buffered output since the last look
            for (int i = next; i < lines.size(); ++i)
                if (lines[i].startsWith(prefix)) {
                    next = i + 1;
                    return lines[i];
                }
            if (timer.elapsed() >= msecs || process.state() == QProcess::NotRunning)
                break;
            process.waitForReadyRead(int(qMax<qint64>(1, msecs - timer.elapsed())));
            readLines();
        }
        readLines();
        for (int i = next; i < lines.size(); ++i)
            if (lines[i].startsWith(prefix)) {
                next = i + 1;
                return lines[i];
            }
        return QString();
    }

    // Everything printed so far, after the process has had its say.
    QStringList allLines() {
        readLines();
        return lines;
    }
    int count(const QString& prefix) {
        int n = 0;
        for (const QString& line : allLines())
            n += line.startsWith(prefix) ? 1 : 0;
        return n;
    }

    // Closes standard input (the helper's cue to quit) and waits for the exit.
    bool finish(int msecs = 10000) {
        process.closeWriteChannel();
        const bool done = process.waitForFinished(msecs);
        readLines();
        return done;
    }

    QString errors() { return QString::fromLocal8Bit(process.readAllStandardError()); }

    QProcess process;
    bool started = false;

private:
    void readLines() {
        while (process.canReadLine())
            lines << QString::fromUtf8(process.readLine()).trimmed();
    }
    QStringList lines;
    int next = 0;
};

// Arguments of a helper run whose key no other test shares.
QStringList instanceArgs(const QStringList& extra = {},
                         const QStringList& mode = {QStringLiteral("instance")}) {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    QStringList args = mode;
    args << QStringList{
        QStringLiteral("--user-data"),
        QStringLiteral("%1.%2-%3")
            .arg(QString::fromLatin1(info->test_suite_name()), QString::fromLatin1(info->name()))
            .arg(QCoreApplication::applicationPid())};
    return args + extra;
}

QString keyOf(const QString& primaryLine) {
    return primaryLine.section(QLatin1Char(' '), 1);
}

// The key of this test's instance family, from a primary that ends at once.
QString familyKey() {
    Helper probe(instanceArgs({QStringLiteral("--exit")}));
    const QString line = probe.waitForLine(QStringLiteral("primary "));
    probe.finish();
    return keyOf(line);
}

// A hello as the byte table lays it out: big-endian integers, the body's checksum last.
QByteArray hello(const QString& key, quint8 kind, quint32 id, bool breakChecksum = false) {
    QByteArray body;
    const QByteArray name = key.toLatin1();
    const quint32 n = quint32(name.size());
    body.append(char(n >> 24)).append(char(n >> 16)).append(char(n >> 8)).append(char(n));
    body.append(name);
    body.append(char(kind));
    body.append(char(id >> 24)).append(char(id >> 16)).append(char(id >> 8)).append(char(id));
    quint16 sum = qChecksum(body.constData(), uint(body.size()));
    if (breakChecksum)
        sum ^= 0x0101;
    body.append(char(sum >> 8)).append(char(sum & 0xff));
    QByteArray message(8, '\0');
    const quint64 length = quint64(body.size());
    for (int i = 0; i < 8; ++i)
        message[i] = char(length >> (56 - 8 * i));
    return message + body;
}

// A view of the shared block from this (outside) process.
InstanceBlock readBlock(QSharedMemory& memory) {
    InstanceBlock copy;
    memory.lock();
    std::memcpy(&copy, memory.constData(), sizeof copy);
    memory.unlock();
    return copy;
}

quint16 sumOf(const InstanceBlock& block) {
    return qChecksum(reinterpret_cast<const char*>(&block), 144);
}

} // namespace

TEST(SingleApplication, SecondStartNotifiesThePrimaryAndExitsWithZero) {
    Helper primary(instanceArgs());
    ASSERT_TRUE(primary.started);
    const QString line = primary.waitForLine(QStringLiteral("primary "));
    ASSERT_FALSE(line.isEmpty()) << primary.errors().toStdString();
    const QString key = keyOf(line);
    EXPECT_EQ(key.size(), 44);
    EXPECT_FALSE(key.contains(QLatin1Char('/')));

    Helper second(instanceArgs());
    ASSERT_TRUE(second.started);
    QElapsedTimer timer;
    timer.start();
    ASSERT_TRUE(second.process.waitForFinished(10000));
    EXPECT_LT(timer.elapsed(), 2000);
    EXPECT_EQ(second.process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.process.exitCode(), 0);
    // It never came back from the constructor.
    EXPECT_TRUE(second.allLines().isEmpty()) << second.allLines().join('|').toStdString();

    EXPECT_FALSE(primary.waitForLine(QStringLiteral("started")).isEmpty());
    EXPECT_EQ(primary.count(QStringLiteral("message")), 0);
    EXPECT_TRUE(primary.finish());
    EXPECT_EQ(primary.process.exitCode(), 0);
}

TEST(SingleApplication, PrimaryRegistersItselfInTheSharedBlockAndLeavesItFree) {
    Helper primary(instanceArgs());
    const QString key = keyOf(primary.waitForLine(QStringLiteral("primary ")));
    ASSERT_FALSE(key.isEmpty());

    QSharedMemory memory(key);
    ASSERT_TRUE(memory.attach()) << memory.errorString().toStdString();
    ASSERT_EQ(memory.size(), 152);
    InstanceBlock block = readBlock(memory);
    EXPECT_EQ(block.hasPrimary, 1);
    EXPECT_EQ(block.secondaryCount, 0u);
    EXPECT_EQ(block.primaryProcessId, primary.process.processId());
    EXPECT_EQ(QString::fromUtf8(block.primaryUserName), SingleApplication::loginName());
    EXPECT_EQ(block.checksum, sumOf(block));

    ASSERT_TRUE(primary.finish());
    block = readBlock(memory);
    EXPECT_EQ(block.hasPrimary, 0);
    EXPECT_EQ(block.primaryProcessId, -1);
    EXPECT_EQ(block.primaryUserName[0], '\0');
    EXPECT_EQ(block.checksum, sumOf(block));

    // The role is free again: the next start becomes the primary.
    Helper next(instanceArgs({QStringLiteral("--exit")}));
    EXPECT_EQ(keyOf(next.waitForLine(QStringLiteral("primary "))), key);
    EXPECT_TRUE(next.finish());
    EXPECT_EQ(next.process.exitCode(), 0);
}

TEST(SingleApplication, PrimaryKilledWithSigkillDoesNotBlockTheNextStart) {
    Helper crashed(instanceArgs());
    const QString key = keyOf(crashed.waitForLine(QStringLiteral("primary ")));
    ASSERT_FALSE(key.isEmpty());
    // Keep the block alive the way a second user of it would, so that it outlives the crash
    // whatever the platform does with orphaned segments.
    QSharedMemory memory(key);
    ASSERT_TRUE(memory.attach());
    crashed.process.kill();
    ASSERT_TRUE(crashed.process.waitForFinished(10000));
    ASSERT_EQ(readBlock(memory).hasPrimary, 1) << "the crash left the block claiming a primary";

    Helper next(instanceArgs());
    EXPECT_EQ(keyOf(next.waitForLine(QStringLiteral("primary "))), key)
        << next.errors().toStdString();
    EXPECT_EQ(readBlock(memory).primaryProcessId, next.process.processId());

    // And it is a working primary: a further start reaches it.
    Helper later(instanceArgs());
    ASSERT_TRUE(later.process.waitForFinished(10000));
    EXPECT_EQ(later.process.exitCode(), 0);
    EXPECT_FALSE(next.waitForLine(QStringLiteral("started")).isEmpty());
    EXPECT_TRUE(next.finish());
}

TEST(SingleApplication, BlockNamingAProcessOfAnotherProgramHasNoPrimary) {
    // The recorded primary died and its process id now belongs to another program (this test).
    const QString key = familyKey();
    ASSERT_FALSE(key.isEmpty());
    QSharedMemory memory(key);
    ASSERT_TRUE(memory.create(152)) << memory.errorString().toStdString();
    InstanceBlock block{};
    block.hasPrimary = 1;
    block.primaryProcessId = QCoreApplication::applicationPid();
    qstrncpy(block.primaryUserName, "someone", sizeof block.primaryUserName);
    block.checksum = sumOf(block);
    memory.lock();
    std::memcpy(memory.data(), &block, sizeof block);
    memory.unlock();

    Helper next(instanceArgs());
    EXPECT_EQ(keyOf(next.waitForLine(QStringLiteral("primary "))), key)
        << next.errors().toStdString();
    EXPECT_EQ(readBlock(memory).primaryProcessId, next.process.processId());
    EXPECT_TRUE(next.finish());
}

TEST(SingleApplication, BlockWithBadChecksumIsResetAfterFiveSecondsAndTheStartBecomesPrimary) {
    const QString key = familyKey();
    ASSERT_FALSE(key.isEmpty());
    QSharedMemory memory(key);
    ASSERT_TRUE(memory.create(152)) << memory.errorString().toStdString();
    InstanceBlock block{};
    block.hasPrimary = 1;
    block.primaryProcessId = QCoreApplication::applicationPid();
    block.checksum = quint16(sumOf(block) + 1);
    memory.lock();
    std::memcpy(memory.data(), &block, sizeof block);
    memory.unlock();

    Helper next(instanceArgs());
    const QString line = next.waitForLine(QStringLiteral("primary "), 30000);
    EXPECT_EQ(keyOf(line), key);
    EXPECT_TRUE(next.errors().contains(QStringLiteral("inconsistent state")));
    const InstanceBlock now = readBlock(memory);
    EXPECT_EQ(now.checksum, sumOf(now));
    EXPECT_EQ(now.primaryProcessId, next.process.processId());
    EXPECT_TRUE(next.finish());
}

TEST(SingleApplication, MalformedHellosAreClosedWithoutASignal) {
    Helper primary(instanceArgs());
    const QString key = keyOf(primary.waitForLine(QStringLiteral("primary ")));
    ASSERT_FALSE(key.isEmpty());

    QByteArray oversized(8, '\0');
    oversized[6] = 0x08; // announces a 2048-byte body and sends none of it
    QByteArray truncated(8, '\0');
    truncated[7] = 3; // a 3-byte body cannot hold a hello
    truncated += QByteArray("\x00\x00\x00", 3);
    const QString otherKey = QString(key).replace(0, 1, key[0] == QLatin1Char('A') ? "B" : "A");
    const struct {
        const char* what;
        QByteArray bytes;
    } cases[] = {
        {"wrong name", hello(otherKey, LaunchHello, 0)},
        {"wrong checksum, then trailing bytes", hello(key, LaunchHello, 0, true) + "junk"},
        {"oversized body length", oversized},
        {"body too short to parse", truncated},
    };
    for (const auto& c : cases) {
        QLocalSocket socket;
        socket.connectToServer(key);
        ASSERT_TRUE(socket.waitForConnected(10000)) << c.what;
        socket.write(c.bytes);
        ASSERT_TRUE(socket.waitForBytesWritten(10000)) << c.what;
        EXPECT_TRUE(socket.state() == QLocalSocket::UnconnectedState ||
                    socket.waitForDisconnected(10000))
            << c.what << ": the primary kept the connection open";
    }

    // A valid hello split across several reads is put together.
    const QByteArray good = hello(key, LaunchHello, 0);
    ASSERT_EQ(good.size(), 63);
    QLocalSocket socket;
    socket.connectToServer(key);
    ASSERT_TRUE(socket.waitForConnected(10000));
    for (const QByteArray& piece :
         {good.left(3), good.mid(3, 10), good.mid(13, 30), good.mid(43)}) {
        socket.write(piece);
        ASSERT_TRUE(socket.waitForBytesWritten(10000));
        QThread::msleep(30); // let the primary read each piece on its own
    }
    EXPECT_FALSE(primary.waitForLine(QStringLiteral("started")).isEmpty());
    EXPECT_EQ(socket.state(), QLocalSocket::ConnectedState);
    socket.disconnectFromServer();

    EXPECT_TRUE(primary.finish());
    EXPECT_EQ(primary.count(QStringLiteral("started")), 1);
    EXPECT_EQ(primary.count(QStringLiteral("message")), 0);
}

TEST(SingleApplication, BytesAfterAMessageHelloArriveAsTheMessage) {
    Helper primary(instanceArgs());
    const QString key = keyOf(primary.waitForLine(QStringLiteral("primary ")));
    ASSERT_FALSE(key.isEmpty());
    QLocalSocket socket;
    socket.connectToServer(key);
    ASSERT_TRUE(socket.waitForConnected(10000));
    socket.write(hello(key, MessageHello, 7) + "ping");
    ASSERT_TRUE(socket.waitForBytesWritten(10000));
    EXPECT_EQ(primary.waitForLine(QStringLiteral("message")), QStringLiteral("message 7 70696e67"));
    EXPECT_EQ(primary.count(QStringLiteral("started")), 0);
    socket.disconnectFromServer();
    EXPECT_TRUE(primary.finish());
}

TEST(SingleApplication, SecondariesAreNumberedNotifyAndPostMessages) {
    Helper primary(instanceArgs({QStringLiteral("--notify")}));
    ASSERT_FALSE(primary.waitForLine(QStringLiteral("primary ")).isEmpty());

    Helper first(instanceArgs({QStringLiteral("--secondary"), QStringLiteral("--notify")}));
    EXPECT_EQ(first.waitForLine(QStringLiteral("secondary")), QStringLiteral("secondary 1"));
    EXPECT_FALSE(primary.waitForLine(QStringLiteral("started")).isEmpty());
    Helper second(instanceArgs({QStringLiteral("--secondary")}));
    EXPECT_EQ(second.waitForLine(QStringLiteral("secondary")), QStringLiteral("secondary 2"));

    Helper poster(instanceArgs({}, {QStringLiteral("post"), QStringLiteral("hello")}));
    poster.process.waitForFinished(10000);
    EXPECT_EQ(poster.waitForLine(QStringLiteral("posted")), QStringLiteral("posted 1"));
    EXPECT_EQ(primary.waitForLine(QStringLiteral("message")),
              QStringLiteral("message 3 68656c6c6f"));

    EXPECT_TRUE(first.finish());
    EXPECT_TRUE(second.finish());
    EXPECT_EQ(first.process.exitCode(), 0);
    EXPECT_TRUE(primary.finish());
    // The second secondary did not ask to be announced.
    EXPECT_EQ(primary.count(QStringLiteral("started")), 1);
}

TEST(SingleApplication, KeyFollowsIdentityUserAndOptions) {
    SingleApplicationKeyParts base;
    base.applicationName = QStringLiteral("vorlach-denoise");
    base.applicationVersion = QStringLiteral("1.0.0");
    base.applicationFilePath = QStringLiteral("/opt/Vorlach/vorlach-denoise");
    base.userName = QStringLiteral("bob");
    // Reference values computed apart from this code (SHA-256, Base64, "/" -> "_").
    EXPECT_EQ(singleApplicationKey(base, SingleApplication::PerUser),
              QStringLiteral("e0jOiMYfKv3LvdcidZ5AS2vSwEcPAW9yGIPiyijs_0Y="));
    EXPECT_EQ(singleApplicationKey(base, {}),
              QStringLiteral("G6ZF5aoZrfmLODf_dPmQhBEN4H2PqunIxGdMKRZhXB0="));

    using GO = SingleApplication::GuardOptions;
    const GO perUser = SingleApplication::PerUser;
    const QString reference = singleApplicationKey(base, perUser);
    const struct {
        const char* what;
        void (*change)(SingleApplicationKeyParts&);
        GO options;
        bool same;
    } cases[] = {
        {"another user", [](SingleApplicationKeyParts& p) { p.userName = "alice"; }, perUser,
         false},
        {"another user, not per user", [](SingleApplicationKeyParts& p) { p.userName = "alice"; },
         GO(), true},
        {"another folder",
         [](SingleApplicationKeyParts& p) { p.applicationFilePath = "/home/bob/vorlach-denoise"; },
         perUser, false},
        {"path differing in case",
         [](SingleApplicationKeyParts& p) {
             p.applicationFilePath = "/OPT/vorlach/VORLACH-denoise";
         },
         perUser, true},
        {"another folder, key without path",
         [](SingleApplicationKeyParts& p) { p.applicationFilePath = "/tmp/x"; },
         perUser | SingleApplication::KeyWithoutPath, true},
        {"another version", [](SingleApplicationKeyParts& p) { p.applicationVersion = "1.0.1"; },
         perUser, false},
        {"another version, key without version",
         [](SingleApplicationKeyParts& p) { p.applicationVersion = "1.0.1"; },
         perUser | SingleApplication::KeyWithoutVersion, true},
        {"key data", [](SingleApplicationKeyParts& p) { p.keyData = QStringList{"x"}; }, perUser,
         false},
        {"organisation", [](SingleApplicationKeyParts& p) { p.organizationName = "Vorlach"; },
         perUser, false},
    };
    for (const auto& c : cases) {
        SingleApplicationKeyParts parts = base;
        c.change(parts);
        const QString key = singleApplicationKey(parts, c.options);
        EXPECT_EQ(key.size(), 44) << c.what;
        const QString expected = c.same ? singleApplicationKey(base, c.options) : reference;
        if (c.same)
            EXPECT_EQ(key, expected) << c.what;
        else
            EXPECT_NE(key, expected) << c.what;
    }
}

TEST(SingleApplication, CopyInAnotherFolderGetsItsOwnKeyRegardlessOfLetterCase) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QString keys[2];
    const QString folders[2] = {dir.filePath(QStringLiteral("Copy")),
                                dir.filePath(QStringLiteral("copy"))};
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(QDir().mkpath(folders[i]));
        const QString copy = folders[i] + QStringLiteral("/iqapp_test_helper");
        ASSERT_TRUE(QFile::copy(kHelper, copy));
        Helper run(instanceArgs({QStringLiteral("--exit")}), copy);
        keys[i] = keyOf(run.waitForLine(QStringLiteral("primary ")));
        EXPECT_TRUE(run.finish());
    }
    EXPECT_FALSE(keys[0].isEmpty());
    EXPECT_EQ(keys[0], keys[1]);
    EXPECT_NE(keys[0], familyKey());
}

TEST(SingleApplication, LoginNameIsTheUserThisProcessRunsAs) {
    QProcess id;
    id.start(QStringLiteral("id"), {QStringLiteral("-un")});
    ASSERT_TRUE(id.waitForFinished(10000));
    EXPECT_EQ(SingleApplication::loginName(),
              QString::fromLocal8Bit(id.readAllStandardOutput()).trimmed());
}

TEST(SingleApplication, LaterStartSendsTheSixtyThreeByteLaunchHello) {
    Helper primary(instanceArgs());
    const QString key = keyOf(primary.waitForLine(QStringLiteral("primary ")));
    ASSERT_FALSE(key.isEmpty());
    // Stand in for the primary's server: the block still names the running primary, but the
    // socket is now ours, so the later start's bytes arrive here.
    ASSERT_TRUE(QLocalServer::removeServer(key));
    QLocalServer server;
    ASSERT_TRUE(server.listen(key)) << server.errorString().toStdString();

    Helper later(instanceArgs());
    ASSERT_TRUE(server.waitForNewConnection(10000));
    QLocalSocket* socket = server.nextPendingConnection();
    ASSERT_NE(socket, nullptr);
    QByteArray received;
    while (received.size() < 64 &&
           (socket->bytesAvailable() > 0 || socket->waitForReadyRead(10000)))
        received += socket->readAll();
    EXPECT_EQ(received, hello(key, LaunchHello, 0));
    ASSERT_TRUE(later.process.waitForFinished(10000));
    EXPECT_EQ(later.process.exitCode(), 0);
    EXPECT_TRUE(primary.finish());
}

TEST(SingleApplication, LaterStartWithANegativeTimeoutStillEnds) {
    // Qt waits for ever on a negative timeout. Make the primary's socket one whose connection
    // queue is full, so that the later start's connection stays pending and it has to wait.
    Helper primary(instanceArgs());
    const QString key = keyOf(primary.waitForLine(QStringLiteral("primary ")));
    ASSERT_FALSE(key.isEmpty());
    ASSERT_TRUE(QLocalServer::removeServer(key));
    const QByteArray path = QFile::encodeName(QDir::tempPath() + QLatin1Char('/') + key);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(size_t(path.size()), sizeof address.sun_path);
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
    const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(listener, 0);
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(listener, 0), 0);
    const int filler = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_EQ(::connect(filler, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);

    Helper later(instanceArgs({QStringLiteral("--timeout"), QStringLiteral("-5")}));
    const bool ended = later.process.waitForFinished(15000);
    EXPECT_TRUE(ended) << "the later start waits for ever";
    if (ended) {
        EXPECT_EQ(later.process.exitCode(), 0);
    }
    ::close(filler);
    ::close(listener);
    ::unlink(path.constData());
    EXPECT_TRUE(primary.finish());
}

TEST(SingleApplication, StartsRacingEachOtherLeaveExactlyOnePrimary) {
    constexpr int kStarts = 6;
    std::vector<std::unique_ptr<Helper>> starts;
    for (int i = 0; i < kStarts; ++i)
        starts.push_back(std::make_unique<Helper>(instanceArgs()));
    Helper* primary = nullptr;
    int ended = 0;
    QElapsedTimer clock;
    clock.start();
    while ((ended < kStarts - 1 || primary == nullptr) && clock.elapsed() < 30000) {
        ended = 0;
        for (auto& start : starts) {
            if (start->process.state() == QProcess::NotRunning) {
                ++ended;
            } else if (start.get() != primary &&
                       !start->waitForLine(QStringLiteral("primary "), 0).isEmpty()) {
                EXPECT_EQ(primary, nullptr) << "two primaries";
                primary = start.get();
            }
        }
        QThread::msleep(5);
        QCoreApplication::processEvents(); // reads the pipes, reaps the ended
    }
    for (auto& start : starts)
        if (start.get() != primary) {
            EXPECT_EQ(start->process.exitStatus(), QProcess::NormalExit);
            EXPECT_EQ(start->process.exitCode(), 0);
            EXPECT_TRUE(start->allLines().isEmpty());
        }
    ASSERT_NE(primary, nullptr);
    EXPECT_EQ(ended, kStarts - 1);
    // The primary listens before it lets go of the block, so every later start reached it.
    for (int i = 0; i < kStarts - 1; ++i)
        primary->waitForLine(QStringLiteral("started"));
    EXPECT_TRUE(primary->finish());
    EXPECT_EQ(primary->count(QStringLiteral("started")), kStarts - 1);
}

TEST(SingleApplication, LaterStartThatCannotReachThePrimaryStillEndsWithZero) {
    Helper primary(instanceArgs());
    const QString key = keyOf(primary.waitForLine(QStringLiteral("primary ")));
    ASSERT_FALSE(key.isEmpty());
    ASSERT_TRUE(QLocalServer::removeServer(key)); // as if the primary could not listen

    Helper later(instanceArgs());
    ASSERT_TRUE(later.process.waitForFinished(15000));
    EXPECT_EQ(later.process.exitCode(), 0);
    EXPECT_TRUE(later.allLines().isEmpty());
    EXPECT_TRUE(primary.finish());
    EXPECT_EQ(primary.count(QStringLiteral("started")), 0);
}
