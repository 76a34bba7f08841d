// The ports of a Windows machine: COM1 to COM4 are the COM devices of those names, unless
// "Ports" names another device for one of them ("COM7", or a full "\\.\COM12").
#include "link/serial_device_map.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QSettings>

namespace {

// A bare name ("COM7") becomes "\\.\COM7", the form CreateFileW takes for every port number;
// a path is taken as it is.
QString windowsDevicePath(const QString& name) {
    if (name.contains(u'\\') || name.contains(u'/'))
        return name;
    return QStringLiteral("\\\\.\\") + name;
}

} // namespace

QStringList presentSerialDevices(const SerialDeviceRoots&) {
    // Every serial driver lists its ports here, the value data being the port's name.
    const QSettings map(QStringLiteral("HKEY_LOCAL_MACHINE\\HARDWARE\\DEVICEMAP\\SERIALCOMM"),
                        QSettings::NativeFormat);
    QStringList devices;
    for (const QString& key : map.childKeys()) {
        const QString name = map.value(key).toString();
        if (!name.isEmpty() && !devices.contains(windowsDevicePath(name)))
            devices << windowsDevicePath(name);
    }
    devices.sort();
    return devices;
}

std::array<QString, serialPortCount> serialDeviceTable(const SettingsStore& settings,
                                                       const SerialDeviceRoots&) {
    std::array<QString, serialPortCount> table;
    for (int i = 0; i < serialPortCount; ++i) {
        const QString configured =
            settings.readText(portsSectionName(), portValueName(i + 1)).trimmed();
        table[std::size_t(i)] =
            windowsDevicePath(configured.isEmpty() ? portValueName(i + 1) : configured);
    }
    return table;
}

QString namedSerialDevice(const QString& name) {
    // COM10 and above open only as \\.\COMn, and the lower ones work that way too.
    static const QRegularExpression comName(QStringLiteral("^COM[1-9][0-9]{0,2}$"),
                                            QRegularExpression::CaseInsensitiveOption);
    if (comName.match(name).hasMatch())
        return windowsDevicePath(name.toUpper());
    return name.contains(u'\\') || name.contains(u'/') || QFileInfo::exists(name) ? name
                                                                                  : QString();
}
