#pragma once

#include "widgets/grid/grid_ctrl.h"

#include <QApplication>
#include <QHeaderView>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>

// A shown, active window holding one grid, with helpers that click cells and type keys the
// way a user would (keys go to the widget that has the keyboard focus).
class GridTest : public ::testing::Test {
protected:
    void SetUp() override {
        window_ = std::make_unique<QWidget>();
        window_->resize(640, 400);
        grid = new GridCtrl(window_.get());
        grid->setGeometry(0, 0, 640, 400);
        window_->show();
        window_->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
    }

    void TearDown() override { window_.reset(); }

    // A grid with one fixed header row and one fixed row-number column, `rows` data rows and
    // `columns` data columns; cell texts "r<row>c<column>".
    void fill(int rows, int columns) {
        ASSERT_TRUE(grid->setRowCount(rows + 1));
        ASSERT_TRUE(grid->setColumnCount(columns + 1));
        ASSERT_TRUE(grid->setFixedRowCount(1));
        ASSERT_TRUE(grid->setFixedColumnCount(1));
        for (int column = 1; column <= columns; ++column)
            grid->setCellText(0, column, QStringLiteral("H%1").arg(column));
        for (int row = 1; row <= rows; ++row) {
            grid->setCellText(row, 0, QString::number(row));
            for (int column = 1; column <= columns; ++column)
                grid->setCellText(row, column, QStringLiteral("r%1c%2").arg(row).arg(column));
        }
    }

    // The widget that shows a cell and the cell's centre in it.
    QWidget* areaOf(int row, int column, QPoint* centre) const {
        const QRect rect = grid->cellRect(row, column);
        EXPECT_FALSE(rect.isEmpty()) << "cell " << row << "," << column << " not shown";
        QWidget* area = grid->viewport();
        if (row < grid->fixedRowCount() && column < grid->fixedColumnCount())
            area = grid->childAt(rect.center()); // the corner
        else if (row < grid->fixedRowCount())
            area = grid->horizontalHeader()->viewport();
        else if (column < grid->fixedColumnCount())
            area = grid->verticalHeader()->viewport();
        *centre = area->mapFrom(grid, rect.center());
        return area;
    }

    void click(int row, int column, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QPoint centre;
        QWidget* area = areaOf(row, column, &centre);
        QTest::mouseClick(area, Qt::LeftButton, modifiers, centre);
    }

    void doubleClick(int row, int column) {
        QPoint centre;
        QWidget* area = areaOf(row, column, &centre);
        QTest::mouseDClick(area, Qt::LeftButton, Qt::NoModifier, centre);
    }

    void moveOver(int row, int column) {
        QPoint centre;
        QWidget* area = areaOf(row, column, &centre);
        QTest::mouseMove(area, centre);
    }

    // Keys go where the application sends them: to the focus widget.
    static void key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(static_cast<QWidget*>(nullptr), key, modifiers);
    }
    static void type(const QString& text) {
        QTest::keyClicks(static_cast<QWidget*>(nullptr), text);
    }

    bool selected(int row, int column) const {
        return grid->getCellState(row, column) & GridState::selected;
    }

    GridCtrl* grid = nullptr;

private:
    std::unique_ptr<QWidget> window_;
};
