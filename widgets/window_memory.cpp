#include "widgets/window_memory.h"

#include <QDataStream>
#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QSplitter>
#include <QWidget>

const QString WindowMemory::sectionName = QStringLiteral("Windows");

namespace {
// The header of the data QWidget::saveGeometry writes; stable since Qt 4.
constexpr quint32 geometryMagic = 0x1D9D0CB;

QString joinNumbers(const QList<int>& numbers) {
    QStringList texts;
    for (const int number : numbers)
        texts << QString::number(number);
    return texts.join(QLatin1Char(','));
}

constexpr int largestSize = 65535;

QList<int> splitNumbers(const QString& text) {
    QList<int> numbers;
    if (text.isEmpty())
        return numbers;
    for (const QString& part : text.split(QLatin1Char(','))) {
        bool ok = false;
        const int number = part.toInt(&ok);
        // Read from a file anyone may edit: no screen is wider than this, and larger sizes
        // added up by a splitter overflow and push its panes out of the window.
        if (!ok || number < 0 || number > largestSize)
            return {};
        numbers << number;
    }
    return numbers;
}
} // namespace

WindowMemory::WindowMemory(QWidget* window, QString name, SettingsStore store)
    : QObject(window), window_(window), name_(std::move(name)), store_(std::move(store)) {}

WindowMemory* WindowMemory::attach(QWidget* window, const QString& name, QSize fallbackSize,
                                   SettingsStore store) {
    auto* memory = new WindowMemory(window, name, std::move(store));
    memory->restore(fallbackSize);
    window->installEventFilter(memory);
    return memory;
}

QString WindowMemory::key(const QString& suffix) const {
    return suffix.isEmpty() ? name_ : name_ + QLatin1Char(' ') + suffix;
}

void WindowMemory::restore(QSize fallbackSize) {
    // The usual size, but never larger than the screen the window opens on.
    fallbackSize = fallbackSize.boundedTo(roomOnScreen()).expandedTo(window_->minimumSizeHint());
    window_->resize(fallbackSize);

    const QByteArray geometry =
        QByteArray::fromBase64(store_.readText(sectionName, key(QString())).toLatin1());
    const QRect normal = normalRect(geometry);
    if (normal.isNull())
        return;
    if (isReachable(normal)) {
        window_->restoreGeometry(geometry);
        return;
    }
    // Off every screen: keep the size, let the toolkit choose the place.
    window_->resize(normal.size().boundedTo(roomOnScreen()).expandedTo(window_->minimumSizeHint()));
}

void WindowMemory::save() {
    store_.writeText(sectionName, key(QString()),
                     QString::fromLatin1(window_->saveGeometry().toBase64()));
    for (qsizetype i = 0; i < splitters_.size(); ++i)
        store_.writeText(sectionName, key(splitterKeys_[i]), joinNumbers(splitters_[i]->sizes()));
}

bool WindowMemory::eventFilter(QObject* watched, QEvent* event) {
    if (watched == window_ && event->type() == QEvent::Hide && !window_->isMinimized())
        save();
    return QObject::eventFilter(watched, event);
}

void WindowMemory::restoreSplitter(QSplitter* splitter, const QString& splitterKey) {
    splitters_ << splitter;
    splitterKeys_ << splitterKey;
    const QList<int> sizes = splitNumbers(store_.readText(sectionName, key(splitterKey)));
    if (sizes.size() == splitter->count())
        splitter->setSizes(sizes);
}

QList<int> WindowMemory::readWidths(const QString& widthsKey) const {
    return splitNumbers(store_.readText(sectionName, key(widthsKey)));
}

void WindowMemory::writeWidths(const QString& widthsKey, const QList<int>& widths) {
    store_.writeText(sectionName, key(widthsKey), joinNumbers(widths));
}

QRect WindowMemory::normalRect(const QByteArray& geometry) {
    if (geometry.size() < 4)
        return {};
    QDataStream stream(geometry);
    stream.setVersion(QDataStream::Qt_4_0);
    quint32 magic = 0;
    quint16 major = 0;
    quint16 minor = 0;
    QRect frame;
    QRect normal;
    stream >> magic >> major >> minor >> frame >> normal;
    if (stream.status() != QDataStream::Ok || magic != geometryMagic || major < 1)
        return {};
    return normal.isValid() ? normal : frame;
}

QSize WindowMemory::roomOnScreen() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return {QWIDGETSIZE_MAX, QWIDGETSIZE_MAX};
    return screen->availableGeometry().size() - QSize(16, 40);
}

bool WindowMemory::isReachable(const QRect& frame) {
    // The top strip, where the title bar is: a part of it as wide as a button must show.
    const QRect titleStrip(frame.left(), frame.top(), frame.width(), 24);
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect visible = screen->availableGeometry().intersected(titleStrip);
        if (visible.width() >= 48 && visible.height() >= 8)
            return true;
    }
    return false;
}
