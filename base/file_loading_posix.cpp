// Opening a file the user names, on POSIX: the checks are made on the descriptor really opened.
#include "base/file_loading.h"

#include <QFile>
#include <QFileInfo>
#include <QString>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

bool openRegularFile(QFile& file, const QString& path) {
    if (path.isEmpty())
        return false;
    // Refuse anything but a regular file before touching it at all.
    if (!QFileInfo(path).isFile())
        return false;
    const QByteArray nativePath = QFile::encodeName(path);
    if (nativePath.contains('\0'))
        return false;
    // The name may have been replaced since the look above: open without waiting for a FIFO's
    // writer and without taking a terminal, then look again at what was really opened.
    const int fd = ::open(nativePath.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        return false;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags != -1)
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return false;
    }
    return true;
}
