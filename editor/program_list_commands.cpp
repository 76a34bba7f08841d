#include "editor/program_list_commands.h"

#include "editor/program_list_model.h"
#include "editor/row_order.h"

#include <QHeaderView>
#include <QInputDialog>
#include <QMenu>

namespace {

constexpr std::uint32_t descendingBit = 0x80000000u;

} // namespace

ProgramListCommands::ProgramListCommands(ProgramListView* view, ProgramListModel* model,
                                         QWidget* parent)
    : QObject(parent), m_view(view), m_model(model), m_window(parent) {
    connect(view, &ProgramListView::sortRequested, this, &ProgramListCommands::onSort);
    connect(view, &ProgramListView::dropRequested, this, &ProgramListCommands::onDrop);
    connect(view, &ProgramListView::commandRequested, this, &ProgramListCommands::onCommand);
}

void ProgramListCommands::addMenuCommands(QMenu& menu) {
    const auto command = [&](const char* text, QKeySequence keys, ProgramListView::Command c) {
        QAction* action = menu.addAction(QString::fromLatin1(text));
        action->setShortcut(keys);
        connect(action, &QAction::triggered, this, [this, c] { onCommand(c); });
    };
    command("Move to Top", QKeySequence(Qt::CTRL | Qt::Key_Home), ProgramListView::Command::top);
    command("Move to Bottom", QKeySequence(Qt::CTRL | Qt::Key_End),
            ProgramListView::Command::bottom);
    command("Move to Position...", QKeySequence(Qt::CTRL | Qt::Key_G),
            ProgramListView::Command::position);
    menu.addSeparator();
    command("Delete", QKeySequence(Qt::Key_Delete), ProgramListView::Command::remove);
}

void ProgramListCommands::forgetSortOrder() {
    m_sortState = 0;
    m_view->header()->setSortIndicatorShown(false);
}

void ProgramListCommands::onSort(int column) {
    const std::uint32_t columnBit = 1u << column;
    if (m_sortState & columnBit)
        m_sortState ^= descendingBit;
    else
        m_sortState = columnBit;
    const bool descending = (m_sortState & descendingBit) != 0;
    m_model->sortByColumn(column, descending);
    QHeaderView* header = m_view->header();
    header->setSortIndicator(column, descending ? Qt::DescendingOrder : Qt::AscendingOrder);
    header->setSortIndicatorShown(true);
    emit changed();
}

void ProgramListCommands::onDrop(int target) {
    moveSelection(RowOrder::dropBlock(m_model->rowCount(), m_view->selectedRows(), target));
}

void ProgramListCommands::onCommand(ProgramListView::Command command) {
    const int rows = m_model->rowCount();
    const std::vector<int> selected = m_view->selectedRows();
    switch (command) {
    case ProgramListView::Command::up:
        return moveSelection(RowOrder::shift(rows, selected, -1));
    case ProgramListView::Command::down:
        return moveSelection(RowOrder::shift(rows, selected, 1));
    case ProgramListView::Command::top:
        return moveSelection(RowOrder::blockAt(rows, selected, 0));
    case ProgramListView::Command::bottom:
        return moveSelection(RowOrder::blockAt(rows, selected, rows));
    case ProgramListView::Command::position:
        return askPosition();
    case ProgramListView::Command::remove:
        emit deleteRequested();
        return;
    }
}

void ProgramListCommands::moveSelection(const std::vector<int>& order) {
    if (m_view->selectedRows().empty() || !m_model->reorder(order))
        return;
    // The selection has followed its programs; show where the block went.
    const std::vector<int> moved = m_view->selectedRows();
    if (!moved.empty())
        m_view->scrollTo(m_model->index(moved.front(), 0));
    emit changed();
}

void ProgramListCommands::askPosition() {
    const std::vector<int> selected = m_view->selectedRows();
    if (selected.empty())
        return;
    const int rows = m_model->rowCount();
    const int lowest = m_model->numberAt(0);
    const int highest = m_model->numberAt(rows - 1);
    bool ok = false;
    const int number = QInputDialog::getInt(
        m_window, QStringLiteral("Move to Position"),
        QStringLiteral("Channel number for the first selected program (%1-%2):")
            .arg(lowest)
            .arg(highest),
        m_model->numberAt(selected.front()), lowest, highest, 1, &ok);
    if (!ok)
        return;
    // The block's first row goes to the first row that shows this number or a higher one.
    int row = 0;
    while (row < rows && m_model->numberAt(row) < number)
        ++row;
    moveSelection(RowOrder::blockAt(rows, selected, row));
}
