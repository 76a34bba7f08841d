#pragma once

#include <QElapsedTimer>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <chrono>
#include <functional>
#include <vector>

// Plays the user in front of windows that run their own modal loops: a list of steps, each
// waiting for a condition and then acting once, checked every few milliseconds from whatever
// event loop is running. Actions run from a fresh event (so an action may itself open a modal
// window without blocking the script). A watchdog ends the run when the steps take longer than
// the limit: the test fails, naming the step that never came, and every open dialog is
// rejected, so a stuck transfer never leaves the test hanging.
class ModalScript {
public:
    explicit ModalScript(std::chrono::milliseconds limit);
    ~ModalScript();
    ModalScript(const ModalScript&) = delete;
    ModalScript& operator=(const ModalScript&) = delete;

    // Adds a step: waits until `ready` holds, then runs `act` (if any).
    ModalScript& then(const QString& what, std::function<bool()> ready,
                      std::function<void()> act = {});
    // Called on every check, before the current step (to sample what the windows show).
    void setObserver(std::function<void()> observer) { observer_ = std::move(observer); }

    void start();
    // Runs the event loop until every step has run or the watchdog has ended the run.
    void finish();
    // True when every step has run.
    bool done() const { return next_ >= steps_.size() && !acting_; }
    // True when the watchdog had to end the run.
    bool timedOut() const { return timedOut_; }
    // The step the script waits for, or empty when done.
    QString waitingFor() const;

private:
    struct Step {
        QString what;
        std::function<bool()> ready;
        std::function<void()> act;
    };

    void check();
    void giveUp();

    std::vector<Step> steps_;
    std::size_t next_ = 0;
    bool acting_ = false;
    bool timedOut_ = false;
    std::chrono::milliseconds limit_;
    QElapsedTimer clock_;
    QTimer timer_;
    std::function<void()> observer_;
};

// Rejects every visible dialog, innermost first.
void rejectOpenDialogs();
