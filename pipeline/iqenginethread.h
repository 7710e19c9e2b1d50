#pragma once

#include <QRunnable>
#include <QThread>

class IQEngineController;

// One engine request: runs an operation of its controller on the controller's pool (never as a
// thread of its own) and reports the status by threadFinished. The pool deletes it after its run.
class IQEngineThread : public QThread, public QRunnable
{
    Q_OBJECT
public:
    IQEngineThread(IQEngineController* controller, int operation);

    void run() override;

signals:
    void threadFinished(int operation, int ret);

private:
    IQEngineController* controller;
    int operation;
};
