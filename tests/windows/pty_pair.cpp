// A null-modem cable between two pseudo-terminals, for the Windows tests under Wine (built for
// the host by scripts/windows-test): makes two terminals, links them at the two paths given
// (Wine COM devices, $WINEPREFIX/dosdevices/com5 and com6), copies bytes between their far ends
// and ends when its standard input closes or on SIGTERM.
//   pty_pair LINK_A LINK_B
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t stopping = 0;

int openMaster(const char* link) {
    const int fd = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (fd < 0 || ::grantpt(fd) != 0 || ::unlockpt(fd) != 0)
        return -1;
    termios raw{};
    const char* slave = ::ptsname(fd);
    // Raw on the terminal side, so no byte is changed on the way.
    const int s = ::open(slave, O_RDWR | O_NOCTTY);
    if (s >= 0 && ::tcgetattr(s, &raw) == 0) {
        ::cfmakeraw(&raw);
        ::tcsetattr(s, TCSANOW, &raw);
    }
    if (s >= 0)
        ::close(s);
    ::unlink(link);
    if (::symlink(slave, link) != 0)
        return -1;
    return fd;
}

// Copies what is waiting on `from` to `to`. A read error is left alone: EIO only means that
// nobody holds the terminal side at the moment.
void pass(int from, int to) {
    char buffer[4096];
    const ssize_t count = ::read(from, buffer, sizeof buffer);
    for (ssize_t done = 0; done < count;) {
        const ssize_t written = ::write(to, buffer + done, std::size_t(count - done));
        if (written < 0) {
            if (errno == EAGAIN || errno == EINTR)
                continue;
            return;
        }
        done += written;
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: pty_pair LINK_A LINK_B\n");
        return 2;
    }
    std::signal(SIGTERM, [](int) { stopping = 1; });
    std::signal(SIGPIPE, SIG_IGN);
    const int a = openMaster(argv[1]);
    const int b = openMaster(argv[2]);
    if (a < 0 || b < 0) {
        std::perror("pty_pair");
        return 1;
    }
    std::printf("ready %s %s\n", argv[1], argv[2]);
    std::fflush(stdout);
    while (!stopping) {
        pollfd fds[3] = {{a, POLLIN, 0}, {b, POLLIN, 0}, {STDIN_FILENO, POLLIN, 0}};
        if (::poll(fds, 3, 200) < 0 && errno != EINTR)
            break;
        if (fds[2].revents & (POLLIN | POLLHUP)) {
            char c;
            if (::read(STDIN_FILENO, &c, 1) <= 0)
                break;
        }
        if (fds[0].revents & POLLIN)
            pass(a, b);
        if (fds[1].revents & POLLIN)
            pass(b, a);
        // A side nobody holds reports POLLHUP for ever; do not spin on it.
        if ((fds[0].revents | fds[1].revents) & POLLHUP)
            ::usleep(2000);
    }
    ::unlink(argv[1]);
    ::unlink(argv[2]);
    return 0;
}
