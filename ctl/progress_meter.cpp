#include "ctl/progress_meter.h"

#include <algorithm>
#include <cmath>

namespace {

// Carriage return and "erase to the end of the line": the next text replaces the line.
const QByteArray restartLine = QByteArrayLiteral("\r\x1b[K");

// A redraw at most this often, unless the percentage moved: a terminal over SSH need not see
// every block.
constexpr double redrawSeconds = 0.25;

QString rateText(double bytesPerSecond) {
    if (bytesPerSecond <= 0)
        return QStringLiteral("--.- kB/s");
    return QString::asprintf("%.1f kB/s", bytesPerSecond / 1000.0);
}

QString timeLeftText(double seconds) {
    if (!std::isfinite(seconds) || seconds < 0)
        return QStringLiteral("-:-- left");
    const long whole = std::lround(seconds);
    return QString::asprintf("%ld:%02ld left", whole / 60, whole % 60);
}

} // namespace

ProgressMeter::ProgressMeter(Writer writer, bool terminal)
    : write_(std::move(writer)), terminal_(terminal) {}

void ProgressMeter::line(const QString& text) {
    close();
    write_(text.toLocal8Bit() + '\n');
}

void ProgressMeter::transient(const QString& text) {
    if (!terminal_)
        return;
    drawInPlace(text);
    passing_ = true;
}

void ProgressMeter::progress(const QString& label, std::uint64_t done, std::uint64_t total,
                             double elapsedSeconds) {
    if (total == 0)
        return;
    done = std::min(done, total);
    const int percent = int(done * 100 / total);
    if (!terminal_) {
        const int tenth = percent / 10 * 10;
        if (tenth > lastTenth_) {
            lastTenth_ = tenth;
            line(QStringLiteral("%1 %2 %").arg(label).arg(tenth));
        }
        return;
    }
    if (percent == lastPercent_ && (done == total || elapsedSeconds - lastDrawn_ < redrawSeconds))
        return;
    lastPercent_ = percent;
    lastDrawn_ = elapsedSeconds;
    const int filled = int(done * barWidth / total);
    const double rate = elapsedSeconds > 0 && done > 0 ? double(done) / elapsedSeconds : 0.0;
    const double left = rate > 0 ? double(total - done) / rate : -1.0;
    drawInPlace(QStringLiteral("%1 [%2%3] %4 %  %5  %6")
                    .arg(label, QString(filled, u'#'), QString(barWidth - filled, u'-'))
                    .arg(percent, 3)
                    .arg(rateText(rate), timeLeftText(left)));
}

void ProgressMeter::close() {
    if (!inPlace_)
        return;
    inPlace_ = false;
    // A passing state is wiped; a progress bar stays as the record of the transfer.
    write_(passing_ ? restartLine : QByteArrayLiteral("\n"));
}

void ProgressMeter::drawInPlace(const QString& text) {
    inPlace_ = true;
    passing_ = false;
    write_(restartLine + text.toLocal8Bit());
}
