#include "link/serial_device_map.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// A scratch /dev and /sys/class/tty.
class SerialDeviceMapTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(scratch.isValid());
        roots.devDir = scratch.filePath("dev");
        roots.sysClassTtyDir = scratch.filePath("sys/class/tty");
        QDir().mkpath(roots.devDir + "/serial/by-id");
        QDir().mkpath(roots.sysClassTtyDir);
    }

    void addNode(const QString& name) {
        QFile node(dev(name));
        ASSERT_TRUE(node.open(QIODevice::WriteOnly));
    }
    void addLink(const QString& name, const QString& target) {
        ASSERT_TRUE(QFile::link(target, dev(name)));
    }
    // A built-in port; `uartType` empty leaves out the kernel's hardware description.
    void addBuiltIn(const QString& name, const QString& uartType) {
        addNode(name);
        const QString sys = roots.sysClassTtyDir + "/" + name;
        QDir().mkpath(sys);
        if (uartType.isEmpty())
            return;
        QDir().mkpath(sys + "/device");
        QFile type(sys + "/type");
        ASSERT_TRUE(type.open(QIODevice::WriteOnly));
        type.write(uartType.toLatin1() + "\n");
    }
    QString dev(const QString& name) const { return roots.devDir + "/" + name; }

    QTemporaryDir scratch;
    SerialDeviceRoots roots;
};

} // namespace

TEST_F(SerialDeviceMapTest, UsbAdaptersFirstThenBuiltInPortsWithAUart) {
    addBuiltIn("ttyS0", "4");
    addBuiltIn("ttyS1", "0"); // no UART behind it
    addBuiltIn("ttyS2", "");  // no device at all
    addBuiltIn("ttyS10", "4");
    addNode("ttyACM0");
    addNode("ttyUSB10");
    addNode("ttyUSB2");
    addNode("ttyUSBx");
    addNode("tty5");
    EXPECT_EQ(presentSerialDevices(roots),
              (QStringList{dev("ttyUSB2"), dev("ttyUSB10"), dev("ttyACM0"), dev("ttyS0"),
                           dev("ttyS10")}));
}

TEST_F(SerialDeviceMapTest, NumbersFollowThePresentDevicesAndStopAtFour) {
    SettingsStore store(scratch.filePath("settings.conf"));
    EXPECT_TRUE(serialDevicePath(1, store, roots).isEmpty());
    addNode("ttyUSB0");
    addBuiltIn("ttyS0", "4");
    EXPECT_EQ(serialDevicePath(1, store, roots), dev("ttyUSB0"));
    EXPECT_EQ(serialDevicePath(2, store, roots), dev("ttyS0"));
    EXPECT_TRUE(serialDevicePath(3, store, roots).isEmpty());
    EXPECT_TRUE(serialDevicePath(0, store, roots).isEmpty());
    EXPECT_TRUE(serialDevicePath(5, store, roots).isEmpty());
}

TEST_F(SerialDeviceMapTest, LinkedDevicesAreListedOnce) {
    addNode("ttyUSB0");
    addNode("ttyUSB1");
    addLink("ttyUSB9", dev("ttyUSB0"));
    EXPECT_EQ(presentSerialDevices(roots), (QStringList{dev("ttyUSB0"), dev("ttyUSB1")}));
}

TEST_F(SerialDeviceMapTest, SettingsNameDevicesAndClaimThem) {
    addNode("ttyUSB0");
    addNode("ttyUSB1");
    addLink("serial/by-id/usb-FTDI_cable-if00-port0", "../../ttyUSB1");
    SettingsStore store(scratch.filePath("settings.conf"));
    const QString byId = dev("serial/by-id/usb-FTDI_cable-if00-port0");
    store.writeText(portsSectionName(), "COM1", byId);
    store.writeText(portsSectionName(), "COM3", "/dev/ttyXYZ");

    const auto table = serialDeviceTable(store, roots);
    EXPECT_EQ(table[0], byId);
    EXPECT_EQ(table[1], dev("ttyUSB0")); // ttyUSB1 is already COM1
    EXPECT_EQ(table[2], "/dev/ttyXYZ");
    EXPECT_TRUE(table[3].isEmpty());
}

TEST(NamedSerialDevice, OnlyPathsNameADeviceHere) {
    // Windows port names are no device names here: a mistyped port must be refused, not opened.
    const struct {
        const char* name;
        const char* device;
    } cases[] = {
        {"/dev/ttyUSB7", "/dev/ttyUSB7"}, {"./link", "./link"}, {"COM12", ""}, {"\\\\.\\COM12", ""},
        {"no-such-file-here", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(namedSerialDevice(QString::fromUtf8(c.name)), QString::fromUtf8(c.device))
            << c.name;
}
