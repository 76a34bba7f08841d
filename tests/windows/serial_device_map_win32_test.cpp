// COM1 to COM4 on Windows: the COM devices of those names unless "Ports" names another.
#include "link/serial_device_map.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(SerialDeviceMapWin32, PortsAreTheirComDevicesUnlessTheSettingsNameAnother) {
    QTemporaryDir dir;
    SettingsStore store(dir.filePath(QStringLiteral("ports.conf")));
    const auto plain = serialDeviceTable(store);
    EXPECT_EQ(plain[0], QStringLiteral("\\\\.\\COM1"));
    EXPECT_EQ(plain[3], QStringLiteral("\\\\.\\COM4"));

    store.writeText(portsSectionName(), portValueName(2), QStringLiteral("COM7"));
    store.writeText(portsSectionName(), portValueName(3), QStringLiteral(" \\\\.\\COM12 "));
    store.writeText(portsSectionName(), portValueName(4), QStringLiteral("C:\\no\\port"));
    EXPECT_EQ(serialDevicePath(1, store), QStringLiteral("\\\\.\\COM1"));
    EXPECT_EQ(serialDevicePath(2, store), QStringLiteral("\\\\.\\COM7"));
    EXPECT_EQ(serialDevicePath(3, store), QStringLiteral("\\\\.\\COM12"));
    EXPECT_EQ(serialDevicePath(4, store), QStringLiteral("C:\\no\\port"));
    EXPECT_TRUE(serialDevicePath(0, store).isEmpty());
    EXPECT_TRUE(serialDevicePath(5, store).isEmpty());
}

TEST(SerialDeviceMapWin32, AnyComPortAndDevicePathCanBeNamedDirectly) {
    // COM10 and above open only through \\.\; rx7700ctl --port takes them by either name.
    const struct {
        const char* name;
        const char* device;
    } cases[] = {
        {"COM12", "\\\\.\\COM12"},
        {"com5", "\\\\.\\COM5"},
        {"COM256", "\\\\.\\COM256"},
        {"\\\\.\\COM12", "\\\\.\\COM12"},
        {"//./COM12", "//./COM12"},
        {"COM0", ""},
        {"COM", ""},
        {"COMX", ""},
        {"COM12:", ""},
        {"no-such-port", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(namedSerialDevice(QString::fromUtf8(c.name)), QString::fromUtf8(c.device))
            << c.name;
}
