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
    if (portOption.contains(u'/')) {
        out.fixedPort_ = 1;
        out.devicePath_ = portOption;
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

SettingsStore programSettings() {
    return SettingsStore(SettingsStore::filePathFor(QStringLiteral("rx7700")));
}
