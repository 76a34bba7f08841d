// Why a serial device cannot be opened, on POSIX systems.
#include "ctl/port_choice.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

QString serialOpenProblem(const QString& devicePath) {
    const QByteArray path = devicePath.toLocal8Bit();
    // Non-blocking and without becoming the controlling terminal, as the port itself opens.
    const int fd = ::open(path.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return QString::fromLocal8Bit(std::strerror(errno));
    QString problem;
    if (!::isatty(fd))
        problem = QStringLiteral("not a serial device");
    else if (::flock(fd, LOCK_EX | LOCK_NB) != 0)
        problem = QStringLiteral("in use by another program");
    ::close(fd); // also releases the lock
    return problem;
}
