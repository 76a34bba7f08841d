#pragma once

#include "base/settings_store.h"

#include <QString>
#include <QStringList>

#include <array>

// Which device stands behind "COM1" to "COM4" on this machine.
//
// The per-user settings may name the device of each port: section "Ports", text values "COM1"
// to "COM4", each a device path (a stable link such as /dev/serial/by-id/... is fine). Ports
// without such a value take the serial devices present, in order, that no value already names:
// USB adapters first (ttyUSB*, then ttyACM*), then built-in ports with a real UART behind them.
// Links are resolved, so one device never appears under two port numbers.
// On Windows a port without a value is the COM device of its name, and a value may name
// another one ("COM7"); the roots below play no part there.

// Where devices and their kernel descriptions live; replaced by a scratch tree in tests.
struct SerialDeviceRoots {
    QString devDir = QStringLiteral("/dev");
    QString sysClassTtyDir = QStringLiteral("/sys/class/tty");
};

constexpr int serialPortCount = 4;

// The settings section and the value name of port n ("COM1" to "COM4").
QString portsSectionName();
QString portValueName(int portNumber);

// The serial devices present, in the order above, each listed once (by its resolved path).
QStringList presentSerialDevices(const SerialDeviceRoots& roots = {});

// The device path of each of the four ports, empty where nothing is configured or present.
std::array<QString, serialPortCount> serialDeviceTable(const SettingsStore& settings,
                                                       const SerialDeviceRoots& roots = {});

// The device path of COM`portNumber`; empty for numbers outside 1 to 4 or when none is present.
QString serialDevicePath(int portNumber, const SettingsStore& settings,
                         const SerialDeviceRoots& roots = {});

// The device that a port name other than COM1 to COM4 names directly (rx7700ctl --port): a
// path (one with a slash, or a file that exists); on Windows also one with a backslash
// ("\\.\COM12") and any COM port by its name ("COM12" is "\\.\COM12"). Empty when `name`
// names no device.
QString namedSerialDevice(const QString& name);
