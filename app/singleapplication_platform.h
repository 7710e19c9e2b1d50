// The few operating-system queries the single-instance guard needs.
#ifndef SINGLEAPPLICATION_PLATFORM_H
#define SINGLEAPPLICATION_PLATFORM_H

#include <QString>

// The login name of the user this process runs as, or an empty string when the system cannot
// tell (the caller then falls back on the environment).
QString platformLoginName();

// Whether process pid still runs an executable whose file name is executableName. A process that
// exists but belongs to someone we may not inspect counts as running.
bool platformProcessRunning(qint64 pid, const QString& executableName);

#endif // SINGLEAPPLICATION_PLATFORM_H
