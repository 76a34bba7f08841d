#pragma once

// The "Select" menu of the "Channel List" window: selects the rows of both lists that a
// cleanup rule of program_cleanup.h picks (each entry counts them when the menu opens), or
// those not found in another Channel Data File, and asks to delete the selected programs.

#include "channels/channel_nodes.h"

#include <QMenu>

#include <array>
#include <functional>
#include <utility>
#include <vector>

class ChannelDatabase;
class ProgramListModel;
class ProgramListView;

class ChannelSelectMenu : public QMenu {
    Q_OBJECT

public:
    // The TV list first, then the radio list.
    using Lists = std::array<std::pair<ProgramListView*, ProgramListModel*>, 2>;

    // `parent` is the button that opens the menu.
    ChannelSelectMenu(const ChannelDatabase& database, const Lists& lists, QWidget* parent);

signals:
    // Rows were selected by a rule.
    void selected();
    // The selected programs of both lists are to be deleted.
    void deleteRequested(const std::vector<ProgramNode*>& programs);

private:
    using Rule = std::function<std::vector<bool>(const std::vector<ProgramNode*>&)>;

    void fill();
    void selectWhere(const Rule& rule);
    void selectNotInFile();

    const ChannelDatabase& m_database;
    Lists m_lists;
};
