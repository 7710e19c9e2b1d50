// The application object of a program that runs once per user: a QApplication that decides, while
// being constructed, whether this process is the first running instance (the primary) or a later
// start. A later start hands a short hello to the primary over a local socket and ends the process
// with exit status 0 before the constructor returns.
#ifndef SINGLEAPPLICATION_H
#define SINGLEAPPLICATION_H

#include <QApplication>
#include <QByteArray>
#include <QString>
#include <QStringList>

class SingleApplicationPrivate;

class SingleApplication : public QApplication {
    Q_OBJECT

public:
    // Bit flags of the guard.
    enum GuardOption {
        // The key includes the login name; the server admits the same user only.
        PerUser = 1,
        // A secondary instance says hello, and the primary emits instanceStarted() for it.
        NotifySecondaryStart = 4,
        // The application version is left out of the key.
        KeyWithoutVersion = 8,
        // The executable's path is left out of the key.
        KeyWithoutPath = 16,
    };
    Q_DECLARE_FLAGS(GuardOptions, GuardOption)

    // Builds the QApplication base from argc and argv, then runs the start-up protocol. Returns
    // only in the primary or, when allowSecondary is true, in a secondary instance; any other
    // start notifies the primary (waiting at most timeout ms for it) and exits with status 0.
    // userData, when non-empty, enters the key. A shared block that cannot be set up ends the
    // process with status 1.
    SingleApplication(int& argc, char** argv, bool allowSecondary = false,
                      GuardOptions options = PerUser, int timeout = 1000,
                      const QString& userData = QString());
    ~SingleApplication() override;

    bool isPrimaryInstance() const;
    bool isSecondaryInstance() const;
    // 0 for the primary, the secondary's number for a secondary.
    quint32 instanceIndex() const;
    // Process id and login name of the registered primary (-1 and empty when there is none).
    qint64 primaryProcessId();
    QString primaryUserName();
    // Login name of the current user.
    static QString loginName();
    // Sends a message to the primary (not from the primary itself); waits at most timeout ms.
    bool postMessage(const QByteArray& message, int timeout);
    QStringList keyData() const;

signals:
    // A later start (or, with NotifySecondaryStart, a secondary) has said hello.
    void instanceStarted();
    // A message posted by instance instanceId has arrived.
    void receivedMessage(uint instanceId, QByteArray message);

private:
    SingleApplicationPrivate* d;
    friend class SingleApplicationPrivate;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(SingleApplication::GuardOptions)

#endif // SINGLEAPPLICATION_H
