#pragma once

#include "sim/paced_writer.h"
#include "sim/pty_link.h"
#include "sim/receiver_simulator.h"

#include <functional>
#include <optional>
#include <string>

namespace sim {

// Runs a ReceiverSimulator behind a PtyLink: reads the PC's bytes as they come, wakes for the
// receiver's timers and for each paced chunk of output, and takes "on"/"off" lines from a
// control descriptor (standard input). One thread, no busy waiting.
class SimulatorLoop {
public:
    enum class StopReason { requested, hungUp, lineFailed };

    // `stopFd` becomes readable when the loop should end (self-pipe of the signal handlers);
    // `controlFd` is -1 when there is no control input.
    SimulatorLoop(PtyLink& link, ReceiverSimulator& receiver, bool paced, int stopFd, int controlFd,
                  std::function<void(const std::string&)> notice);

    StopReason run();

private:
    void handleControlInput();
    void handleControlLine(const std::string& line);

    PtyLink& link_;
    ReceiverSimulator& receiver_;
    PacedWriter writer_;
    int stopFd_;
    int controlFd_;
    std::function<void(const std::string&)> notice_;
    std::string controlBuffer_;
    TimePoint lastWriteAt_{};
    std::optional<TimePoint> hangupDeadline_;
};

} // namespace sim
