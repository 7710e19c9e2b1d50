#include "singleapplication.h"
#include "singleapplication_p.h"
#include "singleapplication_platform.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QRandomGenerator>
#include <QSharedMemory>
#include <QThread>
#include <QtDebug>

#include <cstdlib>
#include <cstring>

namespace {

constexpr int kBlockSize = int(sizeof(InstanceBlock));
// Bytes of the block covered by its checksum.
constexpr uint kBlockSummedBytes = uint(offsetof(InstanceBlock, checksum));
// A block left inconsistent for longer than this is taken to belong to a crashed start.
constexpr qint64 kInconsistentBlockMs = 5000;

// What is left of a timeout after elapsed ms; never negative, since Qt waits for ever on -1.
int remaining(int msecs, const QElapsedTimer& timer) {
    return int(qBound<qint64>(0, msecs - timer.elapsed(), msecs));
}

// Ends a start whose shared block cannot be set up.
[[noreturn]] void fatalExit(SingleApplicationPrivate* d) {
    qCritical().noquote() << "SingleApplication:" << int(d->sharedBlock->error())
                          << d->sharedBlock->errorString();
    delete d;
    ::exit(EXIT_FAILURE);
}

void unlockOrReport(QSharedMemory* block, const char* message) {
    if (!block->unlock()) {
        qDebug() << message;
        qDebug() << block->errorString();
    }
}

} // namespace

// --- key ---------------------------------------------------------------------------------------

SingleApplicationKeyParts SingleApplicationKeyParts::current(const QStringList& keyData) {
    SingleApplicationKeyParts parts;
    parts.applicationName = QCoreApplication::applicationName();
    parts.organizationName = QCoreApplication::organizationName();
    parts.organizationDomain = QCoreApplication::organizationDomain();
    parts.keyData = keyData;
    parts.applicationVersion = QCoreApplication::applicationVersion();
    parts.applicationFilePath = QCoreApplication::applicationFilePath();
    parts.userName = SingleApplicationPrivate::loginName();
    return parts;
}

QString singleApplicationKey(const SingleApplicationKeyParts& parts,
                             SingleApplication::GuardOptions options) {
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData("SingleApplication", 17);
    hash.addData(parts.applicationName.toUtf8());
    hash.addData(parts.organizationName.toUtf8());
    hash.addData(parts.organizationDomain.toUtf8());
    if (!parts.keyData.isEmpty())
        hash.addData(parts.keyData.join(QString()).toUtf8());
    if (!options.testFlag(SingleApplication::KeyWithoutVersion))
        hash.addData(parts.applicationVersion.toUtf8());
    if (!options.testFlag(SingleApplication::KeyWithoutPath))
        hash.addData(parts.applicationFilePath.toLower().toUtf8());
    if (options.testFlag(SingleApplication::PerUser))
        hash.addData(parts.userName.toUtf8());
    // Base64 may hold "/", which neither a file nor a pipe name may contain.
    return QString::fromLatin1(hash.result().toBase64().replace('/', '_'));
}

// --- private part ------------------------------------------------------------------------------

SingleApplicationPrivate::SingleApplicationPrivate(SingleApplication* owner) : owner(owner) {}

SingleApplicationPrivate::~SingleApplicationPrivate() {
    if (clientSocket != nullptr) {
        clientSocket->close();
        delete clientSocket;
    }
    if (sharedBlock != nullptr) {
        sharedBlock->lock();
        if (localServer != nullptr) {
            localServer->close();
            delete localServer;
            localServer = nullptr;
            InstanceBlock* b = block();
            b->hasPrimary = 0;
            b->primaryProcessId = -1;
            b->primaryUserName[0] = '\0';
            b->checksum = blockSum();
        }
        sharedBlock->unlock();
        delete sharedBlock;
    }
}

void SingleApplicationPrivate::addKeyData(const QString& data) {
    keyData.append(data);
}

void SingleApplicationPrivate::deriveServerName() {
    serverName = singleApplicationKey(SingleApplicationKeyParts::current(keyData), guardOptions);
}

InstanceBlock* SingleApplicationPrivate::block() const {
    return static_cast<InstanceBlock*>(sharedBlock->data());
}

quint16 SingleApplicationPrivate::blockSum() const {
    return qChecksum(static_cast<const char*>(sharedBlock->constData()), kBlockSummedBytes);
}

void SingleApplicationPrivate::resetBlock() {
    InstanceBlock* b = block();
    b->hasPrimary = 0;
    b->secondaryCount = 0;
    b->primaryProcessId = -1;
    b->primaryUserName[0] = '\0';
    b->checksum = blockSum();
}

bool SingleApplicationPrivate::primaryIsGone() const {
    const InstanceBlock* b = block();
    return !platformProcessRunning(b->primaryProcessId,
                                   QFileInfo(QCoreApplication::applicationFilePath()).fileName());
}

void SingleApplicationPrivate::takePrimaryRole() {
    InstanceBlock* b = block();
    b->hasPrimary = 1;
    b->primaryProcessId = QCoreApplication::applicationPid();
    qstrncpy(b->primaryUserName, loginName().toUtf8().constData(), sizeof b->primaryUserName);
    b->checksum = blockSum();
    instanceId = 0;

    // A primary that crashed may have left its socket behind.
    QLocalServer::removeServer(serverName);
    localServer = new QLocalServer();
    localServer->setSocketOptions(guardOptions.testFlag(SingleApplication::PerUser)
                                      ? QLocalServer::UserAccessOption
                                      : QLocalServer::WorldAccessOption);
    if (!localServer->listen(serverName))
        qDebug() << "SingleApplication: cannot listen on" << serverName
                 << localServer->errorString();
    connect(localServer, &QLocalServer::newConnection, this,
            &SingleApplicationPrivate::slotConnectionEstablished);
}

void SingleApplicationPrivate::registerSecondary() {
    InstanceBlock* b = block();
    b->secondaryCount += 1;
    b->checksum = blockSum();
    instanceId = b->secondaryCount;
}

bool SingleApplicationPrivate::sayHello(int msecs, HelloKind kind) {
    QElapsedTimer timer;
    timer.start();
    if (clientSocket == nullptr)
        clientSocket = new QLocalSocket();
    if (clientSocket->state() == QLocalSocket::ConnectedState)
        return true;

    for (;;) {
        jitterSleep();
        if (clientSocket->state() != QLocalSocket::ConnectingState)
            clientSocket->connectToServer(serverName, QIODevice::ReadWrite);
        if (clientSocket->state() == QLocalSocket::ConnectingState)
            clientSocket->waitForConnected(remaining(msecs, timer));
        if (clientSocket->state() == QLocalSocket::ConnectedState)
            break;
        if (timer.elapsed() >= msecs)
            return false;
    }

    QByteArray body;
    {
        QDataStream out(&body, QIODevice::WriteOnly);
        out.setVersion(QDataStream::Qt_5_6);
        out << serverName.toLatin1() << quint8(kind) << quint32(instanceId);
        out << quint16(qChecksum(body.constData(), uint(body.size())));
    }
    QByteArray header;
    {
        QDataStream out(&header, QIODevice::WriteOnly);
        out.setVersion(QDataStream::Qt_5_6);
        out << quint64(body.size());
    }
    clientSocket->write(header);
    clientSocket->write(body);
    const bool written = clientSocket->waitForBytesWritten(remaining(msecs, timer));
    clientSocket->flush();
    return written;
}

void SingleApplicationPrivate::jitterSleep() {
    const quint64 v = QRandomGenerator::global()->generate();
    QThread::msleep(8 + ((v * 10) >> 32));
}

QString SingleApplicationPrivate::loginName() {
    QString name = platformLoginName();
    if (name.isEmpty())
        name = qEnvironmentVariable("USERNAME");
    if (name.isEmpty())
        name = qEnvironmentVariable("USER");
    return name;
}

// --- server side -------------------------------------------------------------------------------

void SingleApplicationPrivate::slotConnectionEstablished() {
    QLocalSocket* socket = localServer->nextPendingConnection();
    if (socket == nullptr)
        return;
    peers[socket] = PeerState();

    connect(socket, &QLocalSocket::aboutToClose, socket,
            [this, socket]() { slotClientConnectionClosed(socket, peers[socket].instanceId); });
    connect(socket, &QLocalSocket::disconnected, socket, &QLocalSocket::deleteLater);
    connect(socket, &QObject::destroyed, this, [this, socket]() { peers.remove(socket); });
    connect(socket, &QLocalSocket::readyRead, socket, [this, socket]() {
        const PeerState& peer = peers[socket];
        switch (peer.stage) {
        case AwaitHeader:
            readHelloHeader(socket);
            break;
        case AwaitBody:
            readHelloBody(socket);
            break;
        case Established:
            slotDataAvailable(socket, peer.instanceId);
            break;
        }
    });
}

void SingleApplicationPrivate::readHelloHeader(QLocalSocket* socket) {
    auto peer = peers.find(socket);
    if (peer == peers.end() || socket->bytesAvailable() < qint64(sizeof(quint64)))
        return;
    QDataStream in(socket);
    in.setVersion(QDataStream::Qt_5_6);
    quint64 length = 0;
    in >> length;
    // A real hello is a few dozen bytes; do not wait for (or buffer) anything much larger.
    if (in.status() != QDataStream::Ok || length > kMaxHelloBodyLength) {
        socket->close();
        return;
    }
    peer->bodyLength = qint64(length);
    peer->stage = AwaitBody;
    if (socket->bytesAvailable() >= peer->bodyLength)
        readHelloBody(socket);
}

void SingleApplicationPrivate::readHelloBody(QLocalSocket* socket) {
    auto peer = peers.find(socket);
    if (peer == peers.end() || socket->bytesAvailable() < peer->bodyLength)
        return;
    const QByteArray body = socket->read(peer->bodyLength);

    QDataStream in(body);
    in.setVersion(QDataStream::Qt_5_6);
    QByteArray name;
    quint8 kind = 0;
    quint32 senderId = 0;
    quint16 checksum = 0;
    in >> name >> kind >> senderId >> checksum;

    const int nul = name.indexOf('\0');
    const QString nameText = QString::fromLatin1(nul < 0 ? name : name.left(nul));
    const bool valid = in.status() == QDataStream::Ok && nameText == serverName &&
                       body.size() >= 2 &&
                       checksum == qChecksum(body.constData(), uint(body.size() - 2));
    if (!valid) {
        socket->close();
        return;
    }

    peer->instanceId = senderId;
    peer->stage = Established;
    if (kind == LaunchHello ||
        (kind == SecondaryHello && guardOptions.testFlag(SingleApplication::NotifySecondaryStart)))
        emit owner->instanceStarted();
    if (socket->bytesAvailable() > 0)
        slotDataAvailable(socket, senderId);
}

void SingleApplicationPrivate::slotDataAvailable(QLocalSocket* socket, uint instanceId) {
    emit owner->receivedMessage(instanceId, socket->readAll());
}

void SingleApplicationPrivate::slotClientConnectionClosed(QLocalSocket* socket, uint instanceId) {
    // Only a peer that has said a valid hello may post a message; bytes left over by a
    // connection that was refused, or that never finished its hello, are dropped.
    const auto peer = peers.constFind(socket);
    if (peer == peers.constEnd() || peer->stage != Established)
        return;
    if (socket->bytesAvailable() > 0)
        slotDataAvailable(socket, instanceId);
}

// --- public object -----------------------------------------------------------------------------

SingleApplication::SingleApplication(int& argc, char** argv, bool allowSecondary,
                                     GuardOptions options, int timeout, const QString& userData)
    : QApplication(argc, argv), d(new SingleApplicationPrivate(this)) {
    d->guardOptions = options;
    if (!userData.isEmpty())
        d->addKeyData(userData);
    d->deriveServerName();
    // Spreads out many processes starting at once.
    SingleApplicationPrivate::jitterSleep();

    d->sharedBlock = new QSharedMemory(d->serverName);
    if (d->sharedBlock->create(kBlockSize, QSharedMemory::ReadWrite)) {
        if (!d->sharedBlock->lock()) {
            qCritical() << "SingleApplication: Unable to lock memory block after create.";
            fatalExit(d);
        }
        d->resetBlock();
    } else if (d->sharedBlock->error() == QSharedMemory::AlreadyExists) {
        if (!d->sharedBlock->attach(QSharedMemory::ReadWrite)) {
            qCritical() << "SingleApplication: Unable to attach to shared memory block.";
            fatalExit(d);
        }
        if (!d->sharedBlock->lock()) {
            qCritical() << "SingleApplication: Unable to lock memory block after attach.";
            fatalExit(d);
        }
    } else {
        qCritical() << "SingleApplication: Unable to create block.";
        fatalExit(d);
    }

    QElapsedTimer timer;
    timer.start();
    while (d->block()->checksum != d->blockSum()) {
        if (timer.elapsed() > kInconsistentBlockMs) {
            qWarning() << "SingleApplication: Shared memory block has been in an inconsistent "
                          "state from more than 5s. Assuming primary instance failure.";
            d->resetBlock();
            continue;
        }
        unlockOrReport(d->sharedBlock,
                       "SingleApplication: Unable to unlock memory for random wait.");
        SingleApplicationPrivate::jitterSleep();
        if (!d->sharedBlock->lock()) {
            qCritical() << "SingleApplication: Unable to lock memory after random wait.";
            fatalExit(d);
        }
    }

    // Shared memory outlives a primary that crashed: a block that names a process that no
    // longer runs has no primary.
    if (d->block()->hasPrimary != 0 && d->primaryIsGone()) {
        qWarning() << "SingleApplication: The primary instance" << d->block()->primaryProcessId
                   << "is no longer running; taking its place.";
        d->resetBlock();
    }

    if (d->block()->hasPrimary == 0) {
        d->takePrimaryRole();
        unlockOrReport(d->sharedBlock,
                       "SingleApplication: Unable to unlock memory after primary start.");
        return;
    }

    if (allowSecondary) {
        d->registerSecondary();
        if (d->guardOptions.testFlag(NotifySecondaryStart))
            d->sayHello(timeout, SecondaryHello);
        unlockOrReport(d->sharedBlock,
                       "SingleApplication: Unable to unlock memory after secondary start.");
        return;
    }

    unlockOrReport(d->sharedBlock,
                   "SingleApplication: Unable to unlock memory at end of execution.");
    d->sayHello(timeout, LaunchHello);
    delete d;
    d = nullptr;
    ::exit(EXIT_SUCCESS);
}

SingleApplication::~SingleApplication() {
    delete d;
}

bool SingleApplication::isPrimaryInstance() const {
    return d->localServer != nullptr;
}

bool SingleApplication::isSecondaryInstance() const {
    return d->localServer == nullptr;
}

quint32 SingleApplication::instanceIndex() const {
    return d->instanceId;
}

qint64 SingleApplication::primaryProcessId() {
    d->sharedBlock->lock();
    const qint64 pid = d->block()->primaryProcessId;
    d->sharedBlock->unlock();
    return pid;
}

QString SingleApplication::primaryUserName() {
    d->sharedBlock->lock();
    const InstanceBlock* b = d->block();
    const QString name = QString::fromUtf8(
        b->primaryUserName, int(qstrnlen(b->primaryUserName, sizeof b->primaryUserName)));
    d->sharedBlock->unlock();
    return name;
}

QString SingleApplication::loginName() {
    return SingleApplicationPrivate::loginName();
}

bool SingleApplication::postMessage(const QByteArray& message, int timeout) {
    if (isPrimaryInstance())
        return false;
    if (!d->sayHello(timeout, MessageHello))
        return false;
    d->clientSocket->write(message);
    const bool written = d->clientSocket->waitForBytesWritten(qMax(0, timeout));
    d->clientSocket->flush();
    return written;
}

QStringList SingleApplication::keyData() const {
    return d->keyData;
}
