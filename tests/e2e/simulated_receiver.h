#pragma once

#include "sim/sim_process.h"

#include <QString>

#include <chrono>
#include <string>
#include <vector>

// rx7700-sim on a pseudo-terminal in `directory`, with "COM1" of the test's settings pointing
// at its link and COM2 to COM4 at devices that do not exist. Stopped when destroyed.
class SimulatedReceiver {
public:
    explicit SimulatedReceiver(const QString& directory) : directory_(directory) {}
    ~SimulatedReceiver();

    // Starts the simulator with `args` (besides --link) and routes COM1 to it.
    bool start(std::vector<std::string> args);
    // Types a line ("on", "off") on the simulator's terminal.
    bool control(const std::string& line) { return process_.control(line); }
    // Ends it with SIGTERM; its exit status.
    int stop();
    // Waits for it to end by itself (after an injected hang-up); -2 while still running.
    int waitForExit(std::chrono::milliseconds timeout) { return process_.waitForExit(timeout); }
    bool running() const { return process_.running(); }

    QString linkPath() const;
    // Standard output after the end: the link path, then the one-line summary.
    const std::string& output() const { return process_.output(); }
    // What it wrote on standard error (warnings, and the exchange log with --verbose).
    std::string errorLog() const;
    // The number in the summary before `what` ("faults injected" gives the count of faults),
    // -1 when the summary has no such item.
    long summaryCount(const std::string& what) const;

private:
    QString directory_;
    sim::SimProcess process_;
};
