#include "base/file_loading.h"

#include <QFile>
#include <QFileInfo>
#include <QString>

#include <new>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

bool openRegularFile(QFile& file, const QString& path) {
    if (path.isEmpty())
        return false;
    // Refuse anything but a regular file before touching it at all.
    if (!QFileInfo(path).isFile())
        return false;
#ifdef Q_OS_UNIX
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
#else
    file.setFileName(path);
    return file.open(QIODevice::ReadOnly);
#endif
}

LoadResult loadWholeFile(QIODevice& file, LoadedFile& loaded, qint64 maxSize) {
    loaded = LoadedFile();
    const qint64 size = file.size();
    if (size < 0 || size > maxSize)
        return LoadResult::noBuffer;

    const auto byteCount = static_cast<std::size_t>(size);
    std::unique_ptr<std::uint8_t[]> data(new (std::nothrow) std::uint8_t[byteCount]);
    if (!data)
        return LoadResult::noBuffer;

    if (!file.seek(0) || file.read(reinterpret_cast<char*>(data.get()), size) != size)
        return LoadResult::readFailed;
    // A file that grew since its size was taken would be handed on cut short.
    char extra;
    if (file.read(&extra, 1) != 0)
        return LoadResult::readFailed;

    loaded.data_ = std::move(data);
    loaded.size_ = byteCount;
    return LoadResult::ok;
}
