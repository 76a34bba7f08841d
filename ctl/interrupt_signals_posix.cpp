// Signals on POSIX: the handler writes the signal number to a pipe that a socket notifier
// watches on the event loop's thread.
#include "ctl/interrupt_signals.h"

#include <QSocketNotifier>

#include <array>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

// The signal handler may only write to a pipe; the event loop reads the other end.
int pipeFds[2] = {-1, -1};
constexpr std::array<int, 3> caught{SIGINT, SIGTERM, SIGHUP};
struct sigaction previous[caught.size()];

extern "C" void onSignal(int signalNumber) {
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    [[maybe_unused]] const ssize_t written = ::write(pipeFds[1], &byte, 1);
    errno = saved;
}

} // namespace

struct InterruptSignals::Native {
    std::unique_ptr<QSocketNotifier> notifier;
};

InterruptSignals::InterruptSignals(Handler handler) : handler_(std::move(handler)) {
    if (pipeFds[0] >= 0 || ::pipe2(pipeFds, O_NONBLOCK | O_CLOEXEC) != 0)
        return;
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < caught.size(); ++i)
        ::sigaction(caught[i], &action, &previous[i]);
    native_ = std::make_unique<Native>();
    native_->notifier = std::make_unique<QSocketNotifier>(pipeFds[0], QSocketNotifier::Read);
    connect(native_->notifier.get(), &QSocketNotifier::activated, this, [this] {
        unsigned char byte = 0;
        while (::read(pipeFds[0], &byte, 1) == 1)
            handler_(byte);
    });
}

InterruptSignals::~InterruptSignals() {
    if (!native_)
        return;
    native_.reset();
    for (std::size_t i = 0; i < caught.size(); ++i)
        ::sigaction(caught[i], &previous[i], nullptr);
    ::close(pipeFds[0]);
    ::close(pipeFds[1]);
    pipeFds[0] = pipeFds[1] = -1;
}
