#include "editor/language_cell_chooser.h"

#include "channels/language_code_table.h"
#include "widgets/grid/grid_ctrl.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <utility>
#include <vector>

namespace {

// A list that reports when its pop-up closes, chosen or not.
class PopupList : public QComboBox {
public:
    PopupList(QWidget* parent, std::function<void()> closed)
        : QComboBox(parent), closed_(std::move(closed)) {}

    void hidePopup() override {
        QComboBox::hidePopup();
        // After the pop-up's own handling, which may still take the entry.
        QTimer::singleShot(0, this, closed_);
    }

private:
    std::function<void()> closed_;
};

} // namespace

QString LanguageCellChooser::noLanguageText() {
    return QStringLiteral("(none)");
}

LanguageCellChooser::LanguageCellChooser(GridCtrl* grid, int column)
    : QObject(grid), grid_(grid), viewport_(grid->viewport()), column_(column) {
    protectRows(grid_->fixedRowCount(), grid_->rowCount() - 1);
    connect(grid_->model(), &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex&, int first, int last) { protectRows(first, last); });
    grid_->installEventFilter(this);
    viewport_->installEventFilter(this);
}

// The grid's own text box never opens on these cells; Delete, cut and paste leave them alone.
void LanguageCellChooser::protectRows(int first, int last) {
    for (int row = std::max(first, grid_->fixedRowCount()); row <= last; ++row)
        grid_->setCellState(row, column_, grid_->getCellState(row, column_) | GridState::readOnly);
}

QComboBox* LanguageCellChooser::list() const {
    return list_;
}

bool LanguageCellChooser::open(int row, const QString& typed) {
    if (list_ || grid_->isEditing() || row < grid_->fixedRowCount() || row >= grid_->rowCount())
        return false;
    grid_->ensureCellVisible(row, column_);
    const QRect cell = grid_->cellRect(row, column_);
    if (cell.isEmpty())
        return false;
    row_ = row;

    // Closed without a choice (Escape, a click elsewhere): the cell stays as it was. A choice
    // has been taken by then.
    auto* list = new PopupList(grid_, [this] { finish(false); });
    list_ = list;
    list->addItem(noLanguageText(), QString());
    std::vector<int> order(LanguageCodeTable::count);
    for (int index = 0; index < LanguageCodeTable::count; ++index)
        order[std::size_t(index)] = index;
    std::sort(order.begin(), order.end(),
              [](int a, int b) { return LanguageCodeTable::code(a) < LanguageCodeTable::code(b); });
    for (int index : order)
        list->addItem(QStringLiteral("%1  %2").arg(LanguageCodeTable::code(index),
                                                   LanguageCodeTable::name(index)),
                      LanguageCodeTable::code(index));
    const int current = list->findData(grid_->getCellText(row, column_));
    list->setCurrentIndex(std::max(current, 0));
    // The names need more room than the cell has.
    list->view()->setMinimumWidth(list->view()->sizeHintForColumn(0) + 24);
    list->setGeometry(cell);
    connect(list, &QComboBox::activated, this, [this] { finish(true); });
    list->show();
    list->setFocus(Qt::OtherFocusReason);
    list->showPopup();
    if (!typed.isEmpty())
        list->view()->keyboardSearch(typed);
    return true;
}

void LanguageCellChooser::finish(bool take) {
    if (!list_)
        return;
    QPointer<QComboBox> list = std::exchange(list_, nullptr);
    if (take && row_ < grid_->rowCount())
        grid_->setCellText(row_, column_, list->currentData().toString());
    // The grid first: a hidden focus widget would hand the focus on as Tab does, and the grid
    // takes Tab to move to the next cell.
    grid_->setFocus(Qt::OtherFocusReason);
    // Deleted later: this runs inside the list's own signal.
    list->hide();
    list->deleteLater();
    grid_->redraw();
}

void LanguageCellChooser::openLater(int row) {
    QTimer::singleShot(0, this, [this, row] { open(row); });
}

bool LanguageCellChooser::handleKey(const QKeyEvent& key) {
    const GridCellRef focus = grid_->focusCell();
    if (focus.column != column_ || focus.row < grid_->fixedRowCount() || grid_->isEditing())
        return false;
    const Qt::KeyboardModifiers modifiers = key.modifiers() & ~Qt::KeypadModifier;
    switch (key.key()) {
    case Qt::Key_Delete:
    case Qt::Key_Backspace:
        if (modifiers != Qt::NoModifier)
            return false;
        grid_->setCellText(focus.row, column_, QString());
        grid_->redraw();
        return true;
    case Qt::Key_Space:
    case Qt::Key_F2:
    case Qt::Key_F4:
        return modifiers == Qt::NoModifier && open(focus.row);
    case Qt::Key_Down:
    case Qt::Key_Up:
        return modifiers == Qt::AltModifier && open(focus.row);
    default:
        break;
    }
    const QString text = key.text();
    if ((modifiers & ~Qt::ShiftModifier) != Qt::NoModifier || text.isEmpty() ||
        !text.at(0).isLetter())
        return false;
    return open(focus.row, text);
}

bool LanguageCellChooser::eventFilter(QObject* watched, QEvent* event) {
    if (watched == grid_ && event->type() == QEvent::KeyPress)
        return handleKey(*static_cast<QKeyEvent*>(event));
    if (watched != viewport_)
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton)
            return false;
        const GridCellRef cell =
            grid_->cellAt(viewport_->mapTo(grid_, mouse->position().toPoint()));
        const bool ours = cell.column == column_ && cell.row >= grid_->fixedRowCount();
        // As in the grid's other cells: a second click on the focus cell, or a double-click.
        if (event->type() == QEvent::MouseButtonPress)
            pressedOnFocus_ =
                ours && cell == grid_->focusCell() && mouse->modifiers() == Qt::NoModifier;
        else if (ours && (event->type() == QEvent::MouseButtonDblClick || pressedOnFocus_))
            openLater(cell.row);
        if (event->type() != QEvent::MouseButtonPress)
            pressedOnFocus_ = false;
        return false;
    }
    default:
        return false;
    }
}
