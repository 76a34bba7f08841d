// Opening a file the user names, on Windows. Device names (COM1, NUL, \\.\COM3 and the like)
// are refused by name before anything is opened, since opening a serial port raises its lines;
// then the handle really opened must be a disk file and not a directory.
#include "base/file_loading.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QString>

#include <fcntl.h>
#include <io.h>
#include <windows.h>

namespace {

bool namesDevice(const QString& path) {
    if (path.startsWith(QStringLiteral("\\\\.\\")) || path.startsWith(QStringLiteral("//./")) ||
        path.startsWith(QStringLiteral("\\\\?\\GLOBALROOT"), Qt::CaseInsensitive))
        return true;
    // The reserved names stand for devices in every folder and with any extension.
    static const QRegularExpression reserved(
        QStringLiteral("^(CON|PRN|AUX|NUL|CONIN\\$|CONOUT\\$|COM[0-9\\x{B9}\\x{B2}\\x{B3}]|"
                       "LPT[0-9\\x{B9}\\x{B2}\\x{B3}])(\\..*)?$"),
        QRegularExpression::CaseInsensitiveOption);
    QString name = QFileInfo(path).fileName();
    while (name.endsWith(u' ') || name.endsWith(u'.'))
        name.chop(1);
    return reserved.match(name).hasMatch();
}

} // namespace

bool openRegularFile(QFile& file, const QString& path) {
    if (path.isEmpty() || path.contains(QChar(0)) || namesDevice(path))
        return false;
    if (!QFileInfo(path).isFile())
        return false;
    const std::wstring nativePath = QDir::toNativeSeparators(path).toStdWString();
    HANDLE handle = ::CreateFileW(nativePath.c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    BY_HANDLE_FILE_INFORMATION information{};
    if (::GetFileType(handle) != FILE_TYPE_DISK ||
        !::GetFileInformationByHandle(handle, &information) ||
        (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        ::CloseHandle(handle);
        return false;
    }
    const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_RDONLY | _O_BINARY);
    if (fd < 0) {
        ::CloseHandle(handle);
        return false;
    }
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::_close(fd); // also closes the handle
        return false;
    }
    return true;
}
