#include "widgets/grid/grid_printer.h"

#include "widgets/grid/grid_model.h"

#include <QDateTime>
#include <QFontMetricsF>
#include <QLocale>
#include <QPainter>
#include <QPrinter>

namespace {
const char* const kSample = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSATUVWXYZ";
constexpr int kSampleLength = 52;
constexpr int kPrintFontHeight = 9;
// Lines of a page not used by rows: title and rule, a blank line, rule and footer, and a line
// between the rows and the footer.
constexpr int kReservedLines = 6;

// Page geometry in logical units: the page is as wide as the grid plus 8 average characters.
struct PageGeometry {
    double characterWidth = 0;
    double lineHeight = 0;
    int leftMargin = 0;
    double width = 0;
    double height = 0;
    double scale = 1;
};

void drawRow(QPainter& painter, const GridModel& model, const GridLook& look, const QFont& font,
             int row, int left, int top) {
    int x = left;
    for (int column = 0; column < model.columns(); ++column) {
        const QRect rect(x, top, model.columnWidth(column), model.rowHeight(row));
        const GridCellKind kind =
            model.isFixed(row, column) ? GridCellKind::fixed : GridCellKind::data;
        paintGridCell(painter, rect, model.cell(row, column), kind, look, false, &font);
        x += model.columnWidth(column);
    }
}
} // namespace

std::vector<int> gridPageStarts(const GridModel& model, double available) {
    std::vector<int> starts;
    double used = 0;
    for (int row = model.fixedRows(); row < model.rows(); ++row) {
        const int height = model.rowHeight(row);
        if (starts.empty() || used + height > available) {
            starts.push_back(row);
            used = 0;
        }
        used += height;
    }
    return starts;
}

int GridPrinter::print(QPrinter& printer, const QString& title) const {
    if (model_.rows() <= model_.fixedRows() || model_.columns() == 0)
        return 0;

    QFont font(QStringLiteral("Times New Roman"));
    font.setPixelSize(kPrintFontHeight);
    font.setWeight(QFont::Normal);
    // Outlines at design widths: the text is measured at 9 units and drawn scaled up.
    font.setHintingPreference(QFont::PreferNoHinting);
    QFont bold = font;
    bold.setBold(true);

    PageGeometry page;
    const QFontMetricsF metrics(font, &printer);
    page.characterWidth =
        metrics.horizontalAdvance(QString::fromLatin1(kSample, kSampleLength)) / kSampleLength;
    page.lineHeight = metrics.height();
    page.leftMargin = qRound(4 * page.characterWidth);
    page.width = model_.totalColumnsWidth() + 8 * page.characterWidth;
    // Mapped onto the whole printable area with the same scale both ways.
    page.scale = double(printer.width()) / page.width;
    page.height = double(printer.height()) / page.scale;

    const double available =
        page.height - kReservedLines * page.lineHeight - model_.fixedRowsHeight();
    const std::vector<int> starts = gridPageStarts(model_, available);
    const int pageCount = int(starts.size());

    printer.setDocName(QString());
    QPainter painter;
    if (!painter.begin(&printer))
        return -1;
    painter.scale(page.scale, page.scale);

    const QString printedAt =
        QLocale::system().toString(QDateTime::currentDateTime(), QLocale::ShortFormat);
    const double right = page.width - page.leftMargin;
    const int gridTop = qRound(3 * page.lineHeight);
    const int gridRight = page.leftMargin + model_.totalColumnsWidth() - 1;

    for (int index = 0; index < pageCount; ++index) {
        if (index > 0)
            printer.newPage();
        // Title, centred, with a rule under it.
        painter.setPen(Qt::black);
        painter.setFont(bold);
        painter.drawText(QRectF(page.leftMargin, 0, right - page.leftMargin, page.lineHeight),
                         Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextSingleLine, title);
        painter.drawLine(QPointF(page.leftMargin, 1.5 * page.lineHeight),
                         QPointF(right, 1.5 * page.lineHeight));

        // Fixed rows, then this page's rows.
        int y = gridTop;
        for (int row = 0; row < model_.fixedRows(); ++row) {
            drawRow(painter, model_, look_, font, row, page.leftMargin, y);
            y += model_.rowHeight(row);
        }
        const int end = index + 1 < pageCount ? starts[std::size_t(index) + 1] : model_.rows();
        for (int row = starts[std::size_t(index)]; row < end; ++row) {
            drawRow(painter, model_, look_, font, row, page.leftMargin, y);
            y += model_.rowHeight(row);
        }
        // Cells draw their right and bottom edges; close the table on the left and top.
        painter.setPen(look_.gridLineColour);
        painter.drawLine(page.leftMargin, gridTop, page.leftMargin, y - 1);
        painter.drawLine(page.leftMargin, gridTop, gridRight, gridTop);

        // Footer: a rule, the page number on the left, the date and time on the right.
        const double footerTop = page.height - 2 * page.lineHeight;
        painter.setPen(Qt::black);
        painter.drawLine(QPointF(page.leftMargin, footerTop + page.lineHeight / 2),
                         QPointF(right, footerTop + page.lineHeight / 2));
        painter.setFont(bold);
        const QRectF footer(page.leftMargin, page.height - page.lineHeight, right - page.leftMargin,
                            page.lineHeight);
        painter.drawText(footer, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                         QString::asprintf("Page %d of %d", index + 1, pageCount));
        painter.drawText(footer, Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine, printedAt);
    }
    painter.end();
    return pageCount;
}
