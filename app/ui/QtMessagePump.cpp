#include "app/ui/QtMessagePump.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QThread>

namespace yeroup::app {

void TQtMessagePump::ProcessAllPending() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

bool TQtMessagePump::HasPending() { return QCoreApplication::instance() != nullptr; }

void TQtMessagePump::HandleOne() {
    if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance(QThread::currentThread()))
        dispatcher->processEvents(QEventLoop::AllEvents);
}

}  // namespace yeroup::app
