#pragma once

// The commands that reorder one list of the "Channel List" window: a click on a column
// header sorts it (a second click on the same column reverses the order), and the selected
// rows move as one block when dropped on a row, with Ctrl+Up / Ctrl+Down, to the top or the
// bottom, or to a typed channel number. The same commands stand in the list's context menu.
// Deleting is the window's business: the Delete key and menu entry only ask for it.

#include "editor/program_list_view.h"

#include <QObject>

#include <cstdint>
#include <vector>

class ProgramListModel;
class QMenu;
class QWidget;

class ProgramListCommands : public QObject {
    Q_OBJECT

public:
    // `parent` is the window: it owns this object and the position question.
    ProgramListCommands(ProgramListView* view, ProgramListModel* model, QWidget* parent);

    // Adds "Move to Top", "Move to Bottom", "Move to Position..." and "Delete" to a context
    // menu of the list.
    void addMenuCommands(QMenu& menu);
    // The list's rows no longer follow the last sorted column (another view was shown).
    void forgetSortOrder();

signals:
    // The list's order changed.
    void changed();
    // The selected rows are to be deleted.
    void deleteRequested();

private:
    void onSort(int column);
    void onDrop(int target);
    void onCommand(ProgramListView::Command command);
    void moveSelection(const std::vector<int>& order);
    void askPosition();

    ProgramListView* m_view;
    ProgramListModel* m_model;
    QWidget* m_window;
    // Bit c = last sorted by column c, top bit = descending.
    std::uint32_t m_sortState = 0;
};
