#pragma once

#include "widgets/grid/grid_cell.h"
#include "widgets/grid/grid_cell_editor.h"
#include "widgets/grid/grid_cell_painter.h"

#include <QPointer>
#include <QStringList>
#include <QTableView>
#include <QTimer>

#include <functional>
#include <vector>

class GridCorner;
class GridDelegate;
class GridHeader;
class GridModel;
class GridTitleTip;
class QPrinter;

// A cell position; -1, -1 for none.
struct GridCellRef {
    int row = -1;
    int column = -1;
    bool isValid() const { return row >= 0 && column >= 0; }
    friend bool operator==(const GridCellRef&, const GridCellRef&) = default;
};

// Which grid lines are drawn between data cells.
enum class GridLines { none, horizontal, vertical, both };

// A table of text cells with leading fixed (header) rows and columns, a focus cell, a
// selection, in-place editing, keyboard navigation, clipboard commands, a pop-up for truncated
// texts and printing.
//
// Row and column indexes count from 0 and include the fixed ones. Every operation that takes
// an index returns false (or an empty value) and changes nothing when the index is out of
// range. Use the operations declared here rather than QTableView's own sizing and selection
// functions, which this control supersedes.
class GridCtrl : public QTableView {
    Q_OBJECT
public:
    explicit GridCtrl(QWidget* parent = nullptr);
    ~GridCtrl() override;

    // --- Structure ---------------------------------------------------------------------------
    bool setRowCount(int count);
    bool setColumnCount(int count);
    bool setFixedRowCount(int count);
    bool setFixedColumnCount(int count);
    int rowCount() const;
    int columnCount() const;
    int fixedRowCount() const;
    int fixedColumnCount() const;
    // Inserts a row before `position` (-1 appends) with `text` in its first cell; returns the
    // new row's index, -1 when `position` is not an existing row.
    int insertRow(const QString& text, int position = -1);
    // Each call costs the view a pass over all rows while fixed rows exist; use deleteRows for
    // more than a few.
    bool deleteRow(int row);

    // Row operations end an edit in progress first. Ending it reports "cell changed", whose
    // handler may insert or delete rows; a row index passed in always means the row that held
    // it at the call, and an operation whose row the handler deleted does nothing.

    // --- Many rows at once -------------------------------------------------------------------
    // For grids of thousands of rows, fill with setRowCount (all new rows at once, default
    // height, empty cells) and setRowTexts; insertRow per row is meant for a few rows.
    //
    // Sets the texts of `row` from `firstColumn` on, one text per column (texts past the last
    // column are ignored), and repaints the row once. False when the row or column is out of
    // range. Like setCellText, it does not mark cells modified or report "cell changed".
    bool setRowTexts(int row, const QStringList& texts, int firstColumn = 0);
    // Deletes all the given rows in one pass (any order, duplicates and out-of-range indexes
    // ignored) and returns how many went. The remaining rows keep their texts: a row-number
    // column is not renumbered. The focus cell goes when its row goes, otherwise it follows
    // its row; the selection of the remaining rows stays.
    int deleteRows(std::vector<int> rows);
    // The rows that hold a selected cell, in ascending order.
    std::vector<int> selectedRows() const;

    // --- Cells -------------------------------------------------------------------------------
    bool setCell(const GridItem& item);
    // Fills the attributes of item.row, item.column (all of them, whatever the mask).
    bool getCell(GridItem& item) const;
    bool setCellText(int row, int column, const QString& text);
    QString getCellText(int row, int column) const;
    std::uint32_t getCellState(int row, int column) const;
    bool setCellState(int row, int column, std::uint32_t state);

    // --- Sizes (pixels) ----------------------------------------------------------------------
    bool setRowHeight(int row, int height);
    bool setColumnWidth(int column, int width);
    int rowHeight(int row) const;      // 0 when out of range
    int columnWidth(int column) const; // 0 when out of range
    int defaultRowHeight() const { return defaultRowHeight_; }
    int defaultColumnWidth() const { return defaultColumnWidth_; }

    // --- Focus and selection -----------------------------------------------------------------
    bool setFocusCell(int row, int column); // -1, -1 removes the focus cell
    GridCellRef focusCell() const { return focus_; }
    // Selects exactly that rectangle; all -1 clears the selection.
    bool setSelectedRange(int firstRow, int firstColumn, int lastRow, int lastColumn,
                          bool repaint = true);
    // Clears the selection and removes the focus cell.
    void clearSelection();
    // Selects every data cell.
    void selectAll() override;
    bool ensureCellVisible(int row, int column);

    // --- Editing -----------------------------------------------------------------------------
    // Starts editing a cell in place as a click on it would; false when it cannot be edited.
    bool editCell(int row, int column);
    // Ends an edit in progress as if the edit box had lost the focus.
    void commitEdit();
    bool isEditing() const { return editing_; }
    GridCellEditor* cellEditor() const { return editor_; }

    // --- Clipboard ---------------------------------------------------------------------------
    void copy();
    void cut();
    void paste();

    // --- Printing ----------------------------------------------------------------------------
    void setPrintTitle(const QString& title) { printTitle_ = title; }
    QString printTitle() const { return printTitle_; }
    // Runs the print dialog and prints the grid. A grid without data rows prints nothing.
    void print();
    // Prints to `printer` without asking; returns the number of pages, 0 when there is
    // nothing to print, -1 when the printer could not be started.
    int printTo(QPrinter& printer);
    // Replaces the print dialog (tests, or a caller with its own dialog): returns false to
    // cancel, otherwise has set up the printer.
    using PrintDialogRunner = std::function<bool(QPrinter&)>;
    void setPrintDialogRunner(PrintDialogRunner runner) { printDialogRunner_ = std::move(runner); }

    // --- Grid-wide settings ------------------------------------------------------------------
    void setTextColour(const QColor& colour);
    QColor textColour() const { return look_.textColour; }
    void setTextBackgroundColour(const QColor& colour);
    QColor textBackgroundColour() const { return look_.backgroundColour; }
    void setBackgroundColour(const QColor& colour); // the area outside the cells
    QColor backgroundColour() const { return gridBackground_; }
    void setFixedTextColour(const QColor& colour);
    QColor fixedTextColour() const { return look_.fixedTextColour; }
    void setFixedBackgroundColour(const QColor& colour);
    QColor fixedBackgroundColour() const { return look_.fixedBackgroundColour; }
    void setGridLineColour(const QColor& colour);
    QColor gridLineColour() const { return look_.gridLineColour; }
    void setGridLines(GridLines lines);
    GridLines gridLines() const;
    void setEditable(bool on) { editable_ = on; }
    bool isEditable() const { return editable_; }
    // List mode: a click selects whole rows.
    void setListMode(bool on) { listMode_ = on; }
    bool listMode() const { return listMode_; }
    void setSelectionAllowed(bool on);
    bool isSelectionAllowed() const { return selectionAllowed_; }
    // Tab and Shift+Tab move between cells (otherwise they move between the dialog's controls).
    void setHandleTabKey(bool on) { setTabKeyNavigation(on); }
    bool handleTabKey() const { return tabKeyNavigation(); }
    void setTitleTips(bool on);
    bool titleTips() const { return titleTips_; }
    // The user may widen or narrow the scrolling columns by dragging the right edge of their
    // header cell; off unless switched on.
    void setColumnResizeAllowed(bool on) { columnResizeAllowed_ = on; }
    bool isColumnResizeAllowed() const { return columnResizeAllowed_; }
    // The widths a dragged or remembered column keeps: narrow enough to put aside, wide enough
    // to be grabbed again; no wider than a column anyone can scroll across.
    static constexpr int narrowestResizedColumn = 10;
    static constexpr int widestResizedColumn = 4096;
    // The widths of all columns, and all of them at once (a list of another length than the
    // column count changes nothing and returns false). Remembered widths come from the
    // settings file, so each is held between the narrowest and widest a drag leaves.
    QList<int> columnWidths() const;
    bool setColumnWidths(const QList<int>& widths);
    // Lines per wheel notch; -1 scrolls a page per notch.
    void setMouseWheelStep(int lines) { wheelStep_ = lines; }
    int mouseWheelStep() const { return wheelStep_; }

    void redraw();

    // --- Geometry, for callers that place things over cells ---------------------------------
    // The cell's rectangle in this widget's coordinates (fixed cells included); empty when
    // the cell is scrolled out of view or out of range.
    QRect cellRect(int row, int column) const;
    // The cell under a point of this widget; invalid when there is none.
    GridCellRef cellAt(const QPoint& position) const;

    // The data and the look, for the painting helpers.
    const GridModel& gridModel() const { return *model_; }
    const GridLook& look() const { return look_; }
    bool isTitleTipShown() const;
    QString titleTipText() const;

signals:
    // The control changed a cell's text (an edit ended with a different text, Delete, cut,
    // paste). Emitted synchronously.
    void cellChanged(int row, int column);
    // Around every in-place edit, clearing, cut or paste of a cell.
    void editBegun(int row, int column);
    void editEnded(int row, int column);
    // Around a cut or a paste, which changes many cells with one command: a listener may take
    // their changes as one.
    void cellsChangeBegun();
    void cellsChangeEnded();
    // After every release of the left mouse button over the grid.
    void buttonReleased();
    // The user has dragged a column to a new width (once, when the drag ends).
    void columnResized(int column, int width);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void leaveEvent(QEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void updateGeometries() override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    friend class GridHeader;
    friend class GridCorner;

    enum class MouseMode { none, selecting, prepareEdit };

    // Rows or columns came or went (or the fixed area changed): what pointed at cells by their
    // index is dropped.
    void structureChanged();
    void endMouseDrag();
    // Ends an edit in progress and returns where the given rows are afterwards (-1 for a row
    // that the cell-changed handler deleted).
    std::vector<int> commitEditFollowing(std::vector<int> rows);
    int commitEditFollowing(int row);
    void restoreSections();

    bool isDataCell(int row, int column) const;
    GridCellRef firstDataCell() const;
    void applyFont();
    void applyFixedAreas();
    void applyPalette();
    void syncRowHeight(int row);
    void syncColumnWidth(int column);
    void repaintCells();

    // Focus and selection.
    void moveFocus(GridCellRef cell);
    void clearSelectedFlags();
    void selectCells(const QRect& cells); // x columns, y rows
    void selectRectangle(GridCellRef from, GridCellRef to);
    void restartSelection();
    void updateDragSelection(GridCellRef to);
    bool navigate(int key, Qt::KeyboardModifiers modifiers);
    // The nearest data cell; invalid when the grid has no data cells.
    GridCellRef clampToData(GridCellRef cell) const;

    // Mouse, shared by the data area, the headers and the corner.
    void cellPressed(GridCellRef cell, const QMouseEvent* event);
    void cellDoubleClicked(GridCellRef cell);
    void cellReleased(GridCellRef cell, const QMouseEvent* event);
    void selectionDragged(const QPoint& viewportPosition);
    void autoScroll();
    void cellHovered(GridCellRef cell);
    void hideTitleTip();
    void cellsUpdated(const QModelIndex& topLeft, const QModelIndex& bottomRight);
    void hideTitleTipUnlessOver();

    // Editing.
    bool startEdit(GridCellRef cell, const GridEditStart& start);
    void finishEdit(GridEditEnd how, int key, Qt::KeyboardModifiers modifiers);
    bool changeCellText(int row, int column, const QString& text);
    void clearCellByControl(int row, int column);

    // All owned through the Qt parent.
    GridModel* model_ = nullptr;
    GridDelegate* delegate_ = nullptr;
    GridHeader* columnHeader_ = nullptr;
    GridHeader* rowHeader_ = nullptr;
    GridCorner* corner_ = nullptr;
    GridTitleTip* titleTip_ = nullptr;
    GridCellRef tipCell_;

    GridLook look_;
    QColor gridBackground_;
    int defaultRowHeight_ = 10;
    int defaultColumnWidth_ = 30;

    bool editable_ = true;
    bool listMode_ = false;
    bool selectionAllowed_ = true;
    bool titleTips_ = true;
    bool columnResizeAllowed_ = false;
    int wheelStep_ = 3;
    int wheelRemainder_ = 0;

    GridCellRef focus_;
    GridCellRef anchor_;
    QRect selectedArea_; // holds every selected cell (x columns, y rows); null when none

    MouseMode mouseMode_ = MouseMode::none;
    GridCellRef pressedCell_;
    QRect dragRectangle_;                  // cells selected by the current drag (x columns, y rows)
    std::vector<bool> selectedBeforeDrag_; // Ctrl drags add to what was selected
    QPoint lastDragPosition_;
    QTimer autoScrollTimer_;

    bool editing_ = false;
    GridCellRef editCell_;
    QString editOldText_;
    QPointer<GridCellEditor> editor_;

    QString printTitle_;
    PrintDialogRunner printDialogRunner_;
};
