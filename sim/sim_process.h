#pragma once

#include <chrono>
#include <string>
#include <sys/types.h>
#include <vector>

namespace sim {

// Runs the rx7700-sim executable for tests and benchmarks: standard input is a pipe (for "on"
// and "off"), standard output is read (the link path, then the summary), standard error goes to
// a file.
class SimProcess {
public:
    SimProcess() = default;
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    // Starts the simulator with `args` and waits until it has published its link (the first
    // line of its output). False when it could not start or exited first.
    bool start(const std::vector<std::string>& args, const std::string& stderrPath,
               std::chrono::milliseconds timeout = std::chrono::seconds(5));
    // Sends a control line ("on", "off").
    bool control(const std::string& line);
    // Sends `signal` and waits for the exit; returns the exit status (-1 if it did not exit
    // normally). Collects the rest of the standard output.
    int stop(int signal);
    // Waits for the process to end by itself, up to `timeout`; -2 when it is still running.
    int waitForExit(std::chrono::milliseconds timeout);

    bool running() const { return pid_ > 0; }
    pid_t pid() const { return pid_; }
    const std::string& firstLine() const { return firstLine_; }
    const std::string& output() const { return output_; }

private:
    void collectOutput(int timeoutMs);
    int reap(int status);

    pid_t pid_ = -1;
    int stdinFd_ = -1;
    int stdoutFd_ = -1;
    std::string firstLine_;
    std::string output_;
};

// Runs the simulator to completion (for command-line checks): exit status, standard output and
// standard error.
int runSimToExit(const std::vector<std::string>& args, std::string& out, std::string& err,
                 std::chrono::milliseconds timeout = std::chrono::seconds(5));

} // namespace sim
