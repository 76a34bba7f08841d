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
