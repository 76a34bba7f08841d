#include "widgets/template_button.h"

#include "widgets/dialog_units.h"

TemplateButton::TemplateButton(const QString& text, int widthUnits, int heightUnits,
                               QWidget* parent)
    : QPushButton(text, parent), widthUnits_(widthUnits), heightUnits_(heightUnits) {
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

QSize TemplateButton::sizeHint() const {
    return DialogUnits(font()).size(widthUnits_, heightUnits_).expandedTo(minimumSizeHint());
}

QSize TemplateButton::minimumSizeHint() const {
    const DialogUnits units(font());
    QString shown = text();
    shown.remove(QLatin1Char('&'));
    const int textWidth = fontMetrics().horizontalAdvance(shown);
    return {textWidth + units.x(8), std::max(units.y(heightUnits_), fontMetrics().height() + 4)};
}
