// Why a COM device cannot be opened, on Windows.
#include "ctl/port_choice.h"

#include <windows.h>

QString serialOpenProblem(const QString& devicePath) {
    const std::wstring path = devicePath.toStdWString();
    // Exclusive and overlapped, as the port itself opens.
    const HANDLE device = ::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                        OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (device == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION)
            return QStringLiteral("in use by another program");
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
            return QStringLiteral("no such device");
        wchar_t* text = nullptr;
        ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                             FORMAT_MESSAGE_IGNORE_INSERTS,
                         nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
        const QString message =
            text ? QString::fromWCharArray(text).trimmed() : QStringLiteral("error %1").arg(error);
        ::LocalFree(text);
        return message;
    }
    DCB line{};
    line.DCBlength = sizeof line;
    const QString problem =
        ::GetFileType(device) != FILE_TYPE_CHAR || !::GetCommState(device, &line)
            ? QStringLiteral("not a serial device")
            : QString();
    ::CloseHandle(device);
    return problem;
}
