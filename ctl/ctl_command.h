#pragma once

#include <QString>
#include <QStringList>

#include <chrono>

// One rx7700ctl command line, as parsed.
struct CtlCommand {
    enum class Action { probe, upload, download, flash };

    Action action = Action::probe;
    QString file;       // the .cdf or .bin file; empty for probe
    QString port;       // --port: COM1 to COM4 or a device path; empty to scan COM1 to COM4
    bool boot = false;  // flash --boot: the receiver's boot loader, without its firmware
    bool quiet = false; // --quiet: errors only
    bool help = false;  // --help: print the usage and succeed
    std::chrono::milliseconds timeout{10'000}; // --timeout: how long to look for the receiver
};

// Parses the arguments after the program name. False with `error` set for a bad command line;
// true for --help, with `command.help` set.
bool parseCtlCommand(const QStringList& arguments, CtlCommand& command, QString& error);

// The usage text, several lines ending in a line break.
QString ctlUsage();
