#include "ctl/port_choice.h"

#include "link/serial_device_map.h"

#include <QRegularExpression>

bool PortChoice::choose(const QString& portOption, const SettingsStore& settings, PortChoice& out,
                        QString& error) {
    out = PortChoice{};
    out.settings_ = settings;
    if (portOption.isEmpty())
        return true;
    static const QRegularExpression comName(QStringLiteral("^COM([1-4])$"),
                                            QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = comName.match(portOption);
    if (match.hasMatch()) {
        out.fixedPort_ = match.captured(1).toInt();
        return true;
    }
    // Any other port the platform can name ("/dev/ttyUSB0"; "COM12" or "\\.\COM12" on
    // Windows) stands alone behind COM1.
    if (const QString device = namedSerialDevice(portOption); !device.isEmpty()) {
        out.fixedPort_ = 1;
        out.devicePath_ = device;
        return true;
    }
    error =
        QStringLiteral("--port takes COM1 to COM4 or a device path, not \"%1\"").arg(portOption);
    return false;
}

QString PortChoice::devicePath(int portNumber) const {
    if (fixedPort_ != 0 && portNumber != fixedPort_)
        return {};
    if (!devicePath_.isEmpty())
        return devicePath_;
    return serialDevicePath(portNumber, settings_);
}

QString PortChoice::describe(int portNumber) const {
    if (!devicePath_.isEmpty())
        return devicePath_;
    const QString device = devicePath(portNumber);
    const QString name = portValueName(portNumber);
    return device.isEmpty() ? name : QStringLiteral("%1 (%2)").arg(name, device);
}

QString PortChoice::openProblems(int portNumber) const {
    QStringList problems;
    for (int port = 1; port <= serialPortCount; ++port) {
        if ((portNumber != 0 && port != portNumber) || (fixedPort_ != 0 && port != fixedPort_))
            continue;
        const QString device = devicePath(port);
        const QString problem = device.isEmpty() ? QStringLiteral("no device is set for this port")
                                                 : serialOpenProblem(device);
        if (!problem.isEmpty())
            problems << QStringLiteral("%1: %2").arg(describe(port), problem);
    }
    return problems.join(QStringLiteral("; "));
}

SettingsStore programSettings() {
    return SettingsStore::ofApplication(QStringLiteral("rx7700"));
}
