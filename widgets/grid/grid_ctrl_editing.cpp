// Editing in place, clipboard commands and printing.
#include "widgets/grid/grid_ctrl.h"

#include "widgets/grid/grid_cell_editor.h"
#include "widgets/grid/grid_clipboard.h"
#include "widgets/grid/grid_delegate.h"
#include "widgets/grid/grid_model.h"
#include "widgets/grid/grid_printer.h"
#include "widgets/message_box.h"
#include "widgets/print_problem.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QPrintDialog>
#include <QPrinter>

// ---------------------------------------------------------------------------------------------
// Editing in place

bool GridCtrl::editCell(int row, int column) {
    return startEdit({row, column}, {GridEditStart::Kind::mouse, {}});
}

bool GridCtrl::startEdit(GridCellRef cell, const GridEditStart& start) {
    if (editing_) {
        // Ending the edit may move rows, and then `cell` no longer names the cell meant.
        const int row = commitEditFollowing(cell.row);
        if (row < 0)
            return false;
        cell.row = row;
    }
    if (!editable_ || !isDataCell(cell.row, cell.column) ||
        (model_->cell(cell.row, cell.column).state & GridState::readOnly))
        return false;
    hideTitleTip();
    const QModelIndex index = model_->index(cell.row, cell.column);
    scrollTo(index);
    emit editBegun(cell.row, cell.column);
    // The begin-edit handler may have changed the grid.
    if (!isDataCell(cell.row, cell.column))
        return false;
    editCell_ = cell;
    editOldText_ = model_->cell(cell.row, cell.column).text;
    if (!edit(index, QAbstractItemView::AllEditTriggers, nullptr) || !delegate_->lastEditor()) {
        emit editEnded(cell.row, cell.column);
        return false;
    }
    editor_ = delegate_->lastEditor();
    editing_ = true;
    connect(editor_, &GridCellEditor::finished, this, &GridCtrl::finishEdit);
    // Typing hides the pop-up as any key on the grid does.
    connect(editor_, &QLineEdit::cursorPositionChanged, this, &GridCtrl::hideTitleTip);
    editor_->begin(editOldText_, start);
    editor_->setFocus(Qt::OtherFocusReason);
    return true;
}

void GridCtrl::commitEdit() {
    if (editing_)
        finishEdit(GridEditEnd::keep, 0, Qt::NoModifier);
}

void GridCtrl::finishEdit(GridEditEnd how, int key, Qt::KeyboardModifiers modifiers) {
    if (!editing_)
        return;
    editing_ = false;
    const GridCellRef cell = editCell_;
    QPointer<GridCellEditor> box = editor_;
    editor_ = nullptr;
    const QString text = how == GridEditEnd::revert || !box ? editOldText_ : box->text();
    if (box) {
        disconnect(box, nullptr, this, nullptr);
        closeEditor(box, QAbstractItemDelegate::NoHint);
    }
    if (!model_->contains(cell.row, cell.column))
        return;
    changeCellText(cell.row, cell.column, text);
    emit editEnded(cell.row, cell.column);
    if (how == GridEditEnd::move && focus_ == cell && navigate(key, modifiers))
        startEdit(focus_, {GridEditStart::Kind::navigation, {}});
}

bool GridCtrl::changeCellText(int row, int column, const QString& text) {
    GridCell& cell = model_->cell(row, column);
    if (cell.text == text)
        return false;
    cell.text = text;
    cell.state |= GridState::modified;
    model_->cellUpdated(row, column);
    emit cellChanged(row, column);
    return true;
}

void GridCtrl::clearCellByControl(int row, int column) {
    emit editBegun(row, column);
    if (model_->contains(row, column))
        changeCellText(row, column, QString());
    emit editEnded(row, column);
}

// ---------------------------------------------------------------------------------------------
// Clipboard

void GridCtrl::copy() {
    commitEdit();
    const QRect selected = gridSelectedRectangle(*model_);
    if (selected.isEmpty())
        return;
    QGuiApplication::clipboard()->setText(gridCopyText(*model_, selected));
}

void GridCtrl::cut() {
    commitEdit();
    copy();
    if (!editable_)
        return;
    emit cellsChangeBegun();
    for (int row = model_->fixedRows(); row < model_->rows(); ++row) {
        for (int column = model_->fixedColumns(); column < model_->columns(); ++column) {
            if (!model_->contains(row, column))
                continue; // a cell-changed handler may have shrunk the grid
            const std::uint32_t state = model_->cell(row, column).state;
            if ((state & GridState::selected) && !(state & GridState::readOnly))
                clearCellByControl(row, column);
        }
    }
    emit cellsChangeEnded();
}

void GridCtrl::paste() {
    commitEdit();
    if (!editable_ || !isDataCell(focus_.row, focus_.column))
        return;
    const QString text = QGuiApplication::clipboard()->text();
    if (text.isEmpty())
        return;
    const GridCellRef origin = focus_;
    // Only what can land is split off the text, however long it is.
    const QList<QStringList> lines =
        gridPasteFields(text, model_->rows() - origin.row, model_->columns() - origin.column);
    emit cellsChangeBegun();
    for (int line = 0; line < lines.size(); ++line) {
        const QStringList& fields = lines[line];
        for (int field = 0; field < fields.size(); ++field) {
            const int row = origin.row + line;
            const int column = origin.column + field;
            if (!isDataCell(row, column) || (model_->cell(row, column).state & GridState::readOnly))
                continue;
            emit editBegun(row, column);
            if (model_->contains(row, column)) {
                // First: the cell-changed handler may take the cell away.
                model_->cell(row, column).state &= ~GridState::selected;
                changeCellText(row, column, fields[field]);
            }
            emit editEnded(row, column);
        }
    }
    emit cellsChangeEnded();
    repaintCells();
}

// ---------------------------------------------------------------------------------------------
// Printing

void GridCtrl::print() {
    commitEdit();
    if (model_->rows() <= model_->fixedRows())
        return;
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(QString());
    bool accepted = false;
    if (printDialogRunner_) {
        accepted = printDialogRunner_(printer);
    } else {
        QPrintDialog dialog(&printer, this);
        // All pages only: no page range, no selection, no current page.
        dialog.setOptions(QAbstractPrintDialog::PrintToFile |
                          QAbstractPrintDialog::PrintShowPageSize |
                          QAbstractPrintDialog::PrintCollateCopies);
        accepted = dialog.exec() == QDialog::Accepted;
    }
    if (!accepted || printTo(printer) >= 0)
        return;
    // The printer or the file would not start: say so, rather than let it pass for printed.
    showMessage(this, printNotStartedText(printer));
}

int GridCtrl::printTo(QPrinter& printer) {
    commitEdit();
    return GridPrinter(*model_, look_).print(printer, printTitle_);
}
