#include "sim/pty_link.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace sim {
namespace {
std::string systemError(const std::string& what) {
    return what + ": " + std::strerror(errno);
}
} // namespace

std::unique_ptr<PtyLink> PtyLink::create(const std::string& linkPath, std::string& error) {
    std::unique_ptr<PtyLink> link(new PtyLink);
    link->masterFd_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (link->masterFd_ < 0 || ::grantpt(link->masterFd_) != 0 ||
        ::unlockpt(link->masterFd_) != 0) {
        error = systemError("cannot create a pseudo-terminal");
        return nullptr;
    }
    char name[128];
    if (::ptsname_r(link->masterFd_, name, sizeof name) != 0) {
        error = systemError("cannot name the pseudo-terminal");
        return nullptr;
    }
    link->deviceName_ = name;
    link->terminalFd_ = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (link->terminalFd_ < 0) {
        error = systemError("cannot open " + link->deviceName_);
        return nullptr;
    }
    termios mode{};
    if (::tcgetattr(link->terminalFd_, &mode) == 0) {
        ::cfmakeraw(&mode);
        ::cfsetispeed(&mode, B115200);
        ::cfsetospeed(&mode, B115200);
        ::tcsetattr(link->terminalFd_, TCSANOW, &mode);
    }

    struct stat existing {};
    if (::lstat(linkPath.c_str(), &existing) == 0 && !S_ISLNK(existing.st_mode)) {
        error = linkPath + " exists and is not a symbolic link";
        return nullptr;
    }
    // Create the link beside its final place and rename it there, so that a stale link is
    // replaced in one step.
    const std::string temporary = linkPath + ".new" + std::to_string(::getpid());
    ::unlink(temporary.c_str());
    if (::symlink(name, temporary.c_str()) != 0) {
        error = systemError("cannot create the link " + linkPath);
        return nullptr;
    }
    if (::rename(temporary.c_str(), linkPath.c_str()) != 0) {
        error = systemError("cannot create the link " + linkPath);
        ::unlink(temporary.c_str());
        return nullptr;
    }
    link->linkPath_ = linkPath;
    return link;
}

PtyLink::~PtyLink() {
    hangUp();
}

long PtyLink::write(std::span<const std::uint8_t> bytes) {
    if (masterFd_ < 0)
        return -1;
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(masterFd_, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += std::size_t(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        break; // full (nobody reading) or gone: the rest is lost
    }
    return done == 0 && !bytes.empty() ? -1 : long(done);
}

int PtyLink::unreadByPc() const {
    int count = 0;
    if (terminalFd_ < 0 || ::ioctl(terminalFd_, FIONREAD, &count) != 0)
        return 0;
    return count;
}

void PtyLink::hangUp() {
    removeLink();
    if (terminalFd_ >= 0)
        ::close(terminalFd_);
    if (masterFd_ >= 0)
        ::close(masterFd_);
    terminalFd_ = -1;
    masterFd_ = -1;
}

void PtyLink::removeLink() {
    if (linkPath_.empty())
        return;
    // Only remove the link while it still points at this simulator's terminal.
    char target[256];
    const ssize_t n = ::readlink(linkPath_.c_str(), target, sizeof target - 1);
    if (n > 0 && std::string(target, std::size_t(n)) == deviceName_)
        ::unlink(linkPath_.c_str());
    linkPath_.clear();
}

} // namespace sim
