#pragma once

#include <QFont>
#include <QRect>

class QWidget;

// Converts dialog-template units to pixels through the metrics of the dialog's font, as the
// dialog templates are laid out: a horizontal unit is a quarter of the font's average
// character width, a vertical unit an eighth of its height. Windows laid out this way keep
// their proportions at any font size and screen scale.
class DialogUnits {
public:
    explicit DialogUnits(const QFont& font);

    int x(int units) const { return (units * baseWidth_ + 2) / 4; }
    int y(int units) const { return (units * baseHeight_ + 4) / 8; }
    QRect rect(int left, int top, int width, int height) const {
        return QRect(x(left), y(top), x(width), y(height));
    }
    QSize size(int width, int height) const { return QSize(x(width), y(height)); }

    // Places `widget` at a template rectangle.
    void place(QWidget* widget, int left, int top, int width, int height) const;

    int baseWidth() const { return baseWidth_; }
    int baseHeight() const { return baseHeight_; }

private:
    int baseWidth_;
    int baseHeight_;
};
