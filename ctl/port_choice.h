#pragma once

#include "base/settings_store.h"

#include <QString>

#include <functional>

// Which devices the command line may open as COM1 to COM4. Without --port it is the program's
// own mapping (the "Ports" settings and the devices present), so the command line finds the
// receiver where the window does. "--port COM3" keeps only that port; "--port /dev/ttyUSB0"
// puts that device alone behind COM1 and leaves the program's port settings alone.
class PortChoice {
public:
    // False with `error` set when `portOption` is neither empty, COM1 to COM4, nor a path.
    static bool choose(const QString& portOption, const SettingsStore& settings, PortChoice& out,
                       QString& error);

    // The device of COM`portNumber`; empty when that port may not be used.
    QString devicePath(int portNumber) const;
    std::function<QString(int)> locator() const {
        return [choice = *this](int portNumber) { return choice.devicePath(portNumber); };
    }
    // The one port --port named (1 to 4), 0 when all four are tried.
    int fixedPort() const { return fixedPort_; }
    // True when port numbers are the program's COM1 to COM4, so the last port used can be
    // kept in its settings; false for a device path.
    bool usesProgramPorts() const { return devicePath_.isEmpty(); }
    // "COM1 (/dev/ttyUSB0)", or the device path --port named.
    QString describe(int portNumber) const;
    // Why COM`portNumber` (or, for 0, each port that may be used) cannot be opened now:
    // "COM1 (/dev/ttyUSB0): Permission denied", several joined by "; ". Empty when every such
    // port opens.
    QString openProblems(int portNumber) const;

private:
    SettingsStore settings_;
    int fixedPort_ = 0;
    QString devicePath_; // set when --port named a device
};

// Why the device at `devicePath` cannot be opened as a serial port now ("No such file or
// directory", "in use by another program", ...); empty when it can. The device is only opened
// and closed again, its line left as it was. One implementation per platform.
QString serialOpenProblem(const QString& devicePath);

// The settings store of the program (rx7700), which the command line shares with the window.
SettingsStore programSettings();
