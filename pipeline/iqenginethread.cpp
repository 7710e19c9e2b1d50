#include "iqenginethread.h"

#include "iqenginecontroller.h"

IQEngineThread::IQEngineThread(IQEngineController* controller, int operation)
    : controller(controller)
    , operation(operation)
{
    setAutoDelete(true);
}

void IQEngineThread::run()
{
    const int ret = controller->runOperation(operation);
    emit threadFinished(operation, ret);
}
