#include "widgets/grid/grid_clipboard.h"

#include "widgets/grid/grid_model.h"

#include <algorithm>

QRect gridSelectedRectangle(const GridModel& model) {
    int top = model.rows(), bottom = -1, left = model.columns(), right = -1;
    for (int r = 0; r < model.rows(); ++r) {
        for (int c = 0; c < model.columns(); ++c) {
            if (model.cell(r, c).state & GridState::selected) {
                top = std::min(top, r);
                bottom = std::max(bottom, r);
                left = std::min(left, c);
                right = std::max(right, c);
            }
        }
    }
    if (bottom < 0)
        return {};
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

QString gridCopyText(const GridModel& model, const QRect& rectangle) {
    QString text;
    for (int r = rectangle.top(); r <= rectangle.bottom(); ++r) {
        if (r > rectangle.top())
            text += QLatin1Char('\n');
        for (int c = rectangle.left(); c <= rectangle.right(); ++c) {
            if (c > rectangle.left())
                text += QLatin1Char('\t');
            const GridCell& cell = model.cell(r, c);
            if (!(cell.state & GridState::selected))
                continue;
            text += cell.text.isEmpty() ? QStringLiteral(" ") : cell.text;
        }
    }
    return text;
}

QList<QStringList> gridPasteFields(const QString& text) {
    QStringList lines = text.split(QLatin1Char('\n'));
    if (lines.size() > 1 && lines.last().isEmpty())
        lines.removeLast();
    QList<QStringList> result;
    result.reserve(lines.size());
    for (QString line : lines) {
        if (line.isEmpty())
            line = QStringLiteral(" ");
        QStringList fields;
        QString field;
        auto flush = [&] {
            if (!field.isEmpty())
                fields.append(field.trimmed());
            field.clear();
        };
        for (QChar ch : line) {
            if (ch == QLatin1Char('\t') || ch == QLatin1Char(','))
                flush();
            else
                field += ch;
        }
        flush();
        result.append(fields);
    }
    return result;
}
