// The console's control events on Windows. The system calls the handler on a thread of its
// own; the handler posts the interruption to the event loop's thread. For the closing of the
// console window, log-off and shut-down the process ends as soon as the handler returns, so
// the handler waits (a few seconds at most, as the system allows) until the transfer has
// stopped and this object is gone.
#include "ctl/interrupt_signals.h"

#include <QMetaObject>

#include <chrono>
#include <condition_variable>
#include <csignal>
#include <mutex>

#include <windows.h>

namespace {

constexpr int hangUpSignal = 1; // SIGHUP's number, which the console's closing stands for

std::mutex instanceMutex;
std::condition_variable instanceGone;
InterruptSignals* instance = nullptr;
std::function<void(int)>* instanceHandler = nullptr;

BOOL WINAPI onConsoleEvent(DWORD event) {
    int signalNumber = 0;
    switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
        signalNumber = SIGINT;
        break;
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
        signalNumber = hangUpSignal;
        break;
    default:
        return FALSE;
    }
    std::unique_lock lock(instanceMutex);
    if (instance == nullptr)
        return FALSE;
    auto* handler = instanceHandler;
    QMetaObject::invokeMethod(
        instance, [handler, signalNumber] { (*handler)(signalNumber); }, Qt::QueuedConnection);
    if (signalNumber == hangUpSignal)
        instanceGone.wait_for(lock, std::chrono::milliseconds(4500),
                              [] { return instance == nullptr; });
    return TRUE;
}

} // namespace

struct InterruptSignals::Native {};

InterruptSignals::InterruptSignals(Handler handler) : handler_(std::move(handler)) {
    {
        const std::lock_guard lock(instanceMutex);
        if (instance != nullptr)
            return;
        instance = this;
        instanceHandler = &handler_;
    }
    if (!::SetConsoleCtrlHandler(onConsoleEvent, TRUE)) {
        const std::lock_guard lock(instanceMutex);
        instance = nullptr;
        instanceHandler = nullptr;
        return;
    }
    native_ = std::make_unique<Native>();
}

InterruptSignals::~InterruptSignals() {
    if (!native_)
        return;
    ::SetConsoleCtrlHandler(onConsoleEvent, FALSE);
    {
        const std::lock_guard lock(instanceMutex);
        instance = nullptr;
        instanceHandler = nullptr;
    }
    instanceGone.notify_all();
}
