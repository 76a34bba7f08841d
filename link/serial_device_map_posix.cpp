// The ports of a Linux machine: the values of "Ports", then USB adapters and built-in UARTs.
#include "link/serial_device_map.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace {

// Resolves links; a path that does not resolve (a dangling link) stays as it is.
QString resolved(const QString& path) {
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return canonical.isEmpty() ? path : canonical;
}

// Device nodes named prefix<number> in devDir, by number (ttyUSB2 before ttyUSB10).
QStringList numberedDevices(const QString& devDir, const QString& prefix) {
    struct Entry {
        int number;
        QString path;
    };
    std::vector<Entry> entries;
    const QDir dir(devDir);
    for (const QString& name : dir.entryList({prefix + u'*'}, QDir::System | QDir::Files)) {
        bool ok = false;
        const int number = name.mid(prefix.size()).toInt(&ok);
        if (ok && number >= 0)
            entries.push_back({number, dir.filePath(name)});
    }
    std::sort(entries.begin(), entries.end(),
              [](const Entry& a, const Entry& b) { return a.number < b.number; });
    QStringList paths;
    for (const Entry& entry : entries)
        paths << entry.path;
    return paths;
}

// A built-in port counts when the kernel knows hardware behind it: a device link and a UART
// type other than 0 ("unknown", what unused legacy ports report).
bool hasUartBehind(const SerialDeviceRoots& roots, const QString& name) {
    const QDir tty(QDir(roots.sysClassTtyDir).filePath(name));
    if (!QFileInfo::exists(tty.filePath(QStringLiteral("device"))))
        return false;
    QFile type(tty.filePath(QStringLiteral("type")));
    if (!type.open(QIODevice::ReadOnly))
        return false;
    bool ok = false;
    const int value = QString::fromLatin1(type.readAll()).trimmed().toInt(&ok);
    return ok && value != 0;
}

} // namespace

QStringList presentSerialDevices(const SerialDeviceRoots& roots) {
    QStringList candidates = numberedDevices(roots.devDir, QStringLiteral("ttyUSB"));
    candidates << numberedDevices(roots.devDir, QStringLiteral("ttyACM"));
    for (const QString& path : numberedDevices(roots.devDir, QStringLiteral("ttyS"))) {
        if (hasUartBehind(roots, QFileInfo(path).fileName()))
            candidates << path;
    }
    QStringList devices;
    QStringList seen;
    for (const QString& path : candidates) {
        const QString real = resolved(path);
        if (seen.contains(real))
            continue;
        seen << real;
        devices << path;
    }
    return devices;
}

std::array<QString, serialPortCount> serialDeviceTable(const SettingsStore& settings,
                                                       const SerialDeviceRoots& roots) {
    std::array<QString, serialPortCount> table;
    QStringList claimed; // resolved paths already given to a port
    for (int i = 0; i < serialPortCount; ++i) {
        const QString configured =
            settings.readText(portsSectionName(), portValueName(i + 1)).trimmed();
        if (!configured.isEmpty()) {
            table[std::size_t(i)] = configured;
            claimed << resolved(configured);
        }
    }
    QStringList free;
    for (const QString& device : presentSerialDevices(roots)) {
        if (!claimed.contains(resolved(device)))
            free << device;
    }
    for (QString& entry : table) {
        if (entry.isEmpty() && !free.isEmpty())
            entry = free.takeFirst();
    }
    return table;
}

QString namedSerialDevice(const QString& name) {
    // A name without a slash is a device only when such a file exists ("link" in the folder of
    // the link); otherwise it is most likely a mistyped port name.
    return name.contains(u'/') || QFileInfo::exists(name) ? name : QString();
}
