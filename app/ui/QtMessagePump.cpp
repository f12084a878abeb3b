#include "app/ui/QtMessagePump.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <exception>
#include <thread>

#include "platform/sockets/WatchedSocket.h"

namespace yeroup::app {

void TQtMessagePump::ProcessAllPending() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

bool TQtMessagePump::HasPending() { return QCoreApplication::instance() != nullptr; }

void TQtMessagePump::HandleOne() {
    if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance(QThread::currentThread()))
        dispatcher->processEvents(QEventLoop::AllEvents);
}

std::optional<bool> TQtMessagePump::WaitReadable(platform::winsock::TSocket socket, std::int32_t ms) {
    const platform::winsock::TWatchedSocket watched(socket);
    if (!watched.Open()) return true;  // the read that follows tells the closed socket
    if (watched.ReadableNow()) {
        ProcessAllPending();
        return true;
    }
    if (ms == 0) {
        ProcessAllPending();
        return false;
    }
    // The event loop sleeps until the socket, the window or a timer has something: no wake-ups while a slow
    // host is awaited, and a message is handled as soon as it comes.
    bool readable = false;
    QSocketNotifier notifier(static_cast<qintptr>(watched.Descriptor()), QSocketNotifier::Read);
    QObject::connect(&notifier, &QSocketNotifier::activated, [&readable] { readable = true; });
    const QDeadlineTimer deadline(ms < 0 ? QDeadlineTimer(QDeadlineTimer::Forever) : QDeadlineTimer(ms));
    QTimer wake;
    wake.setSingleShot(true);
    wake.setTimerType(Qt::PreciseTimer);
    QObject::connect(&wake, &QTimer::timeout, [&wake, &deadline] {
        if (!deadline.hasExpired()) wake.start(static_cast<int>(deadline.remainingTime()));
    });
    if (ms > 0) wake.start(ms);
    while (!readable && watched.Open() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return readable || !watched.Open();
}

void TQtMessagePump::RunBeside(const std::function<void()>& step) {
    QAbstractEventDispatcher* const dispatcher = QAbstractEventDispatcher::instance();
    std::atomic<bool> done{false};
    std::exception_ptr failure;
    std::thread worker([&] {
        try {
            step();
        } catch (...) {
            failure = std::current_exception();
        }
        done = true;
        dispatcher->wakeUp();  // a wake-up before the loop blocks makes it return at once
    });
    while (!done) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    worker.join();
    if (failure) std::rethrow_exception(failure);
}

}  // namespace yeroup::app
