#pragma once

#include "base/settings_store.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QRect>
#include <QString>

class QSplitter;
class QWidget;

// Keeps a resizable window's size, position and maximised state in the settings store, under
// a name of its own, from one opening to the next. The window first gets its usual size
// (`fallbackSize`, shrunk to the screen when it is larger); a remembered geometry replaces it,
// except a remembered place that lies off every screen there is now: then only the size is
// taken over and the toolkit places the window. The geometry is written when the window is
// hidden (closed).
class WindowMemory : public QObject {
    Q_OBJECT
public:
    static const QString sectionName;

    // Restores `window` and follows it until it is destroyed; owned by the window.
    static WindowMemory* attach(QWidget* window, const QString& name, QSize fallbackSize,
                                SettingsStore store = SettingsStore());

    // Splitter positions and column widths stored under the window's name and a key of their
    // own; an empty list when nothing usable is stored.
    void restoreSplitter(QSplitter* splitter, const QString& key);
    QList<int> readWidths(const QString& key) const;
    void writeWidths(const QString& key, const QList<int>& widths);

    // The rectangle of a saved geometry in which the window was last shown at normal size
    // (frame included); null when the data is not a saved geometry.
    static QRect normalRect(const QByteArray& geometry);
    // The largest size a window opens at: the primary screen's free area less room for a
    // title bar and borders, which are not known before the window is shown.
    static QSize roomOnScreen();
    // Whether enough of a window's title bar at `frame` lies on one of the screens there are
    // now for the user to grab it.
    static bool isReachable(const QRect& frame);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    WindowMemory(QWidget* window, QString name, SettingsStore store);
    void restore(QSize fallbackSize);
    void save();
    QString key(const QString& suffix) const;

    QWidget* window_;
    QString name_;
    SettingsStore store_;
    QList<QSplitter*> splitters_;
    QStringList splitterKeys_;
};
