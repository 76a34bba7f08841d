// Printing to a PDF file: the pages, and what each page shows.
#include "tests/widgets/grid/grid_test_support.h"

#include "widgets/grid/grid_model.h"
#include "widgets/grid/grid_printer.h"
#include "tests/support/test_environment.h"

#include <QDate>
#include <QFile>
#include <QLocale>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

namespace {

QString run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(30000) || process.exitCode() != 0)
        return {};
    return QString::fromUtf8(process.readAllStandardOutput());
}

int pdfPages(const QString& path) {
    const QString info = run("pdfinfo", {path});
    const QRegularExpressionMatch match = QRegularExpression(R"(Pages:\s+(\d+))").match(info);
    return match.hasMatch() ? match.captured(1).toInt() : -1;
}

QString pdfPageText(const QString& path, int page) {
    return run("pdftotext", {"-f", QString::number(page), "-l", QString::number(page), path, "-"});
}

class GridPrintTest : public GridTest {
protected:
    void SetUp() override {
        GridTest::SetUp();
        if (QStandardPaths::findExecutable("pdftotext").isEmpty() ||
            QStandardPaths::findExecutable("pdfinfo").isEmpty())
            GTEST_SKIP() << "poppler-utils missing (scripts/install-deps base)";
        path = TestEnvironment::root() + "/grid.pdf";
        QFile::remove(path);
        grid->setPrintDialogRunner([this](QPrinter& printer) {
            ++dialogs;
            EXPECT_TRUE(printer.docName().isEmpty());
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(path);
            return true;
        });
    }

    // A channel-grid-like table: header row, row-number column, `rows` programs.
    void fillPrograms(int rows) {
        grid->setRowCount(rows + 1);
        grid->setColumnCount(3);
        grid->setFixedRowCount(1);
        grid->setFixedColumnCount(1);
        grid->setRowHeight(0, 16);
        grid->setColumnWidth(0, 40);
        grid->setColumnWidth(1, 132);
        grid->setColumnWidth(2, 54);
        GridItem header;
        header.mask = GridMask::text | GridMask::format;
        header.format = 0x8025;
        header.column = 1;
        header.text = "Name";
        grid->setCell(header);
        header.column = 2;
        header.text = "PCR";
        grid->setCell(header);
        for (int row = 1; row <= rows; ++row) {
            grid->setCellText(row, 0, QString::number(row));
            grid->setCellText(row, 1,
                              QStringLiteral("Program%1").arg(row, 3, 10, QLatin1Char('0')));
            grid->setCellText(row, 2, "0x0100");
        }
    }

    QString path;
    int dialogs = 0;
};

TEST_F(GridPrintTest, LongGridSpreadsOverPagesWithTitleHeaderAndFooterOnEach) {
    const int rows = 150;
    fillPrograms(rows);
    grid->setPrintTitle("Astra [H 11.778]");
    grid->print();
    EXPECT_EQ(dialogs, 1);
    const int pages = pdfPages(path);
    ASSERT_GE(pages, 2);

    const QString today = QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat);
    const QRegularExpression programPattern(R"(Program(\d{3}))");
    int next = 1;
    int perPage = 0;
    for (int page = 1; page <= pages; ++page) {
        const QString text = pdfPageText(path, page);
        EXPECT_TRUE(text.contains("Astra [H 11.778]")) << "page " << page;
        EXPECT_TRUE(text.contains("Name")) << "the fixed row on page " << page;
        EXPECT_TRUE(text.contains("PCR")) << "the fixed row on page " << page;
        EXPECT_TRUE(text.contains(QString::asprintf("Page %d of %d", page, pages)));
        EXPECT_TRUE(text.contains(today)) << "date on page " << page;
        int onPage = 0;
        for (const auto& match : programPattern.globalMatch(text)) {
            EXPECT_EQ(match.captured(1).toInt(), next) << "rows in order, once each";
            ++next;
            ++onPage;
        }
        // Equal rows fill every page alike; the last one takes the rest.
        if (page == 1)
            perPage = onPage;
        if (page < pages)
            EXPECT_EQ(onPage, perPage) << "page " << page;
        EXPECT_GT(onPage, 0) << "page " << page;
        EXPECT_LE(onPage, perPage) << "page " << page;
    }
    EXPECT_EQ(next, rows + 1) << "every row printed";
    EXPECT_EQ(pdfPageText(path, pages + 1), "");
}

TEST_F(GridPrintTest, PrintToReportsThePagesAndTheyMatchTheLayout) {
    fillPrograms(90);
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    const int printed = grid->printTo(printer);
    EXPECT_GE(printed, 2);
    EXPECT_EQ(pdfPages(path), printed);
}

TEST_F(GridPrintTest, GridWithOnlyFixedRowsPrintsNothing) {
    fillPrograms(0);
    ASSERT_EQ(grid->rowCount(), 1);
    grid->print();
    EXPECT_EQ(dialogs, 0) << "nothing to print, nothing to ask";
    EXPECT_FALSE(QFile::exists(path));

    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    EXPECT_EQ(grid->printTo(printer), 0);
    EXPECT_FALSE(QFile::exists(path));
}

TEST_F(GridPrintTest, CancelledDialogPrintsNothing) {
    fillPrograms(3);
    grid->setPrintDialogRunner([this](QPrinter& printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(path);
        return false;
    });
    grid->print();
    EXPECT_FALSE(QFile::exists(path));
}

TEST(GridPageStartsTest, RowsFillAPageWhileTheyFit) {
    GridModel model;
    model.setColumnCount(1, 10);
    model.setRowCount(7, 10);
    model.setFixedRows(1);
    model.setRowHeight(0, 16);
    model.setRowHeight(4, 25);
    model.setRowHeight(6, 45);
    // Heights of data rows 1..6: 10 10 10 25 10 45.
    EXPECT_EQ(gridPageStarts(model, 30), (std::vector<int>{1, 4, 5, 6}))
        << "a row taller than the page gets a page of its own";
    EXPECT_EQ(gridPageStarts(model, 1000), (std::vector<int>{1}));
    model.setRowCount(1, 10);
    EXPECT_TRUE(gridPageStarts(model, 30).empty());
}

} // namespace
