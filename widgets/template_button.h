#pragma once

#include <QPushButton>

// A push button that asks a layout for its dialog-template size (in dialog units of its
// font), so that a window laid out with layouts looks as its template at its usual size, and
// that can shrink to its text when the window is made smaller than that.
class TemplateButton : public QPushButton {
    Q_OBJECT
public:
    TemplateButton(const QString& text, int widthUnits, int heightUnits, QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

private:
    int widthUnits_;
    int heightUnits_;
};
