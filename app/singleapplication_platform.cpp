// POSIX forms of the guard's system queries.
#include "singleapplication_platform.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <limits>
#include <vector>

#include <pwd.h>
#include <signal.h>
#include <sys/types.h>
#include <unistd.h>

QString platformLoginName() {
    long hint = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(hint > 0 ? size_t(hint) : size_t(16384));
    passwd entry{};
    passwd* found = nullptr;
    int rc;
    while ((rc = getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found)) == ERANGE &&
           buffer.size() < (size_t(1) << 20))
        buffer.resize(buffer.size() * 2);
    if (rc != 0 || found == nullptr || found->pw_name == nullptr || found->pw_name[0] == '\0')
        return QString();
    return QString::fromLocal8Bit(found->pw_name);
}

bool platformProcessRunning(qint64 pid, const QString& executableName) {
    if (pid <= 0 || pid > std::numeric_limits<pid_t>::max())
        return false;
    if (::kill(pid_t(pid), 0) != 0 && errno != EPERM)
        return false; // no such process
#ifdef Q_OS_LINUX
    // A process that has ended but was not reaped yet is no longer running.
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (stat.open(QIODevice::ReadOnly)) {
        const QByteArray line = stat.readAll();
        const int close = line.lastIndexOf(')');
        if (close >= 0 && close + 2 < line.size()) {
            const char state = line.at(close + 2);
            if (state == 'Z' || state == 'X')
                return false;
        }
    }
    // The process id may have been reused by another program since the primary died.
    QString target = QFile::symLinkTarget(QStringLiteral("/proc/%1/exe").arg(pid));
    if (!target.isEmpty()) {
        const QString deleted = QStringLiteral(" (deleted)");
        if (target.endsWith(deleted))
            target.chop(deleted.size());
        return QFileInfo(target).fileName() == executableName;
    }
#else
    Q_UNUSED(executableName)
#endif
    return true;
}
