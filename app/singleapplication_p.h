// Internals of SingleApplication: the shared instance block, the hello protocol and the key.
#ifndef SINGLEAPPLICATION_P_H
#define SINGLEAPPLICATION_P_H

#include "singleapplication.h"

#include <QMap>
#include <QObject>
#include <QString>
#include <QStringList>

#include <cstddef>

class QLocalServer;
class QLocalSocket;
class QSharedMemory;

// The block every instance of one key shares, in the byte order of the machine.
struct InstanceBlock {
    quint8 hasPrimary; // 1 while a primary is registered (a byte, whatever another process wrote)
    quint8 padding0[3];
    quint32 secondaryCount;
    qint64 primaryProcessId;
    char primaryUserName[128]; // UTF-8, NUL-terminated
    quint16 checksum;          // qChecksum of the 144 bytes before it
    quint8 padding1[6];
};
static_assert(sizeof(InstanceBlock) == 152, "the shared instance block is 152 bytes");
static_assert(offsetof(InstanceBlock, primaryProcessId) == 8, "layout of the instance block");
static_assert(offsetof(InstanceBlock, primaryUserName) == 16, "layout of the instance block");
static_assert(offsetof(InstanceBlock, checksum) == 144, "layout of the instance block");

// What a connection to the primary says first.
enum HelloKind : quint8 {
    LaunchHello = 1,    // a start that is about to end
    SecondaryHello = 2, // a secondary instance that keeps running
    MessageHello = 3,   // a connection made to post a message
};

enum PeerStage : quint8 {
    AwaitHeader = 0,
    AwaitBody = 1,
    Established = 2,
};

// The primary's view of one accepted connection.
struct PeerState {
    qint64 bodyLength = 0;
    quint32 instanceId = 0;
    quint8 stage = AwaitHeader;
};

// Everything that enters the key of one instance family.
struct SingleApplicationKeyParts {
    QString applicationName;
    QString organizationName;
    QString organizationDomain;
    QStringList keyData;
    QString applicationVersion;
    QString applicationFilePath;
    QString userName;

    // The running application's identity and the current login name.
    static SingleApplicationKeyParts current(const QStringList& keyData);
};

// The 44-character key (shared-memory key and server name) of parts under options.
QString singleApplicationKey(const SingleApplicationKeyParts& parts,
                             SingleApplication::GuardOptions options);

// Largest hello body the primary accepts; a real one is 55 bytes.
constexpr quint64 kMaxHelloBodyLength = 1024;

class SingleApplicationPrivate : public QObject {
    Q_OBJECT

public:
    explicit SingleApplicationPrivate(SingleApplication* owner);
    ~SingleApplicationPrivate() override;

    void addKeyData(const QString& data);
    void deriveServerName();
    quint16 blockSum() const;
    void resetBlock();
    void takePrimaryRole();
    void registerSecondary();
    bool sayHello(int msecs, HelloKind kind);
    static void jitterSleep();
    void readHelloHeader(QLocalSocket* socket);
    void readHelloBody(QLocalSocket* socket);
    static QString loginName();

    InstanceBlock* block() const;
    // Whether the primary the block names is gone (its process no longer runs).
    bool primaryIsGone() const;

    SingleApplication* owner;
    QSharedMemory* sharedBlock = nullptr;
    QLocalSocket* clientSocket = nullptr;
    QLocalServer* localServer = nullptr;
    quint32 instanceId = 0;
    QString serverName;
    SingleApplication::GuardOptions guardOptions;
    QMap<QLocalSocket*, PeerState> peers;
    QStringList keyData;

public slots:
    void slotConnectionEstablished();
    void slotDataAvailable(QLocalSocket* socket, uint instanceId);
    void slotClientConnectionClosed(QLocalSocket* socket, uint instanceId);
};

#endif // SINGLEAPPLICATION_P_H
