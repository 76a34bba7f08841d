// What the device map does the same way on every platform; the devices themselves are the
// platform's (serial_device_map_posix.cpp, serial_device_map_win32.cpp).
#include "link/serial_device_map.h"

QString portsSectionName() {
    return QStringLiteral("Ports");
}

QString portValueName(int portNumber) {
    return QStringLiteral("COM%1").arg(portNumber);
}

QString serialDevicePath(int portNumber, const SettingsStore& settings,
                         const SerialDeviceRoots& roots) {
    if (portNumber < 1 || portNumber > serialPortCount)
        return {};
    return serialDeviceTable(settings, roots)[std::size_t(portNumber - 1)];
}
