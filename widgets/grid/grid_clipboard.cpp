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

QList<QStringList> gridPasteFields(const QString& whole, qsizetype maxLines, qsizetype maxFields) {
    const QStringView text(whole);
    if (maxLines < 0)
        maxLines = text.size() + 1;
    if (maxFields < 0)
        maxFields = text.size() + 1;
    QList<QStringList> result;
    qsizetype start = 0;
    while (result.size() < maxLines && start <= text.size()) {
        qsizetype end = text.indexOf(QLatin1Char('\n'), start);
        if (end < 0) {
            end = text.size();
            if (start == end && !result.isEmpty())
                break; // after a final line feed
        }
        const QStringView line = text.sliced(start, end - start);
        start = end + 1;
        if (line.isEmpty()) {
            result.append(maxFields > 0 ? QStringList{QString()} : QStringList{}); // one space
            continue;
        }
        QStringList fields;
        qsizetype fieldStart = 0;
        for (qsizetype i = 0; i <= line.size() && fields.size() < maxFields; ++i) {
            if (i < line.size() && line[i] != QLatin1Char('\t') && line[i] != QLatin1Char(','))
                continue;
            if (i > fieldStart)
                fields.append(line.sliced(fieldStart, i - fieldStart).trimmed().toString());
            fieldStart = i + 1;
        }
        result.append(fields);
    }
    return result;
}
