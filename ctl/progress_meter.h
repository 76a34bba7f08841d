#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <functional>

// Progress and status lines on standard error. On a terminal the progress is one line that is
// redrawn in place: a bar, the percentage, bytes per second and the time left. Anywhere else
// (a log file, a pipe, a script) it is a plain line each time another 10 % is done, so logs stay
// short and readable.
class ProgressMeter {
public:
    using Writer = std::function<void(const QByteArray&)>;

    ProgressMeter(Writer writer, bool terminal);

    // A line of its own; a bar being drawn is finished first.
    void line(const QString& text);
    // A passing state ("Writing ... 12 sec"): drawn in place on a terminal, left out otherwise.
    void transient(const QString& text);
    // `done` of `total` bytes, `elapsedSeconds` after the first byte moved. `label` names the
    // direction ("Receiving ...", "Sending ...").
    void progress(const QString& label, std::uint64_t done, std::uint64_t total,
                  double elapsedSeconds);
    // Finishes a line drawn in place, if any.
    void close();

    static constexpr int barWidth = 30;

private:
    void drawInPlace(const QString& text);

    Writer write_;
    bool terminal_;
    bool inPlace_ = false;    // a line drawn in place is still open
    bool passing_ = false;    // ... and it shows a passing state, not progress
    int lastTenth_ = 0;       // plain output: the last multiple of 10 % printed
    int lastPercent_ = -1;    // terminal: the percentage last drawn
    double lastDrawn_ = -1.0; // terminal: when the bar was last drawn
};
