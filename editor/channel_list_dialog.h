#pragma once

// "Channel List": puts the TV and radio channel lists in the order the receiver shows them,
// for all satellites or one satellite at a time, and manages the favourite groups (their
// members, the members' order and the group names). Everything is edited on copies: the
// database changes only when "Apply" closes the window with changes (Accepted); otherwise
// the window closes as Rejected and the database keeps its lists, masks and names. The
// caller has run renumber and found at least one satellite that owns programs.
//
// "Order from file..." gives the working lists the order and favourite groups of another
// Channel Data File (channel_reference_order.h) and says how many programs it found there;
// like every other change here it reaches the database only through "Apply". Typing in a
// list moves to the next program whose name begins with the typed text.
//
// Many rows at once: both lists take extended selections, which move as one block (drag,
// keys, context menu) and join or leave favourite groups together. "Delete" takes the
// selected programs out of the window's lists at once; on "Apply" they are left out of the
// database's lists, and the caller removes them from the data (see ChannelEditorWindows).
// The "Select" menu selects rows by the cleanup rules of program_cleanup.h. "Print..." prints
// both whole lists with a preview.

#include "channels/channel_nodes.h"
#include "editor/program_list_view.h"

#include <QByteArray>
#include <QDialog>

#include <array>
#include <cstdint>
#include <vector>

class ChannelDatabase;
class ProgramListCommands;
class ProgramListModel;
class QCheckBox;
class QPrinter;
class QComboBox;
class QLabel;
class QPushButton;

class ChannelListDialog : public QDialog {
    Q_OBJECT

public:
    explicit ChannelListDialog(ChannelDatabase& database, QWidget* parent = nullptr);
    ~ChannelListDialog() override;

    bool isModified() const { return m_modified; }

    // The help text, shown by "Help".
    static QString helpText();

    // Programs deleted in the window so far (they leave the lists on "Apply").
    int deletedCount() const { return int(m_deleted.size()); }
    // Prints both whole lists, as "Print..." does after its preview; when the printer or the
    // file would not start, says that nothing was printed and returns false.
    bool printLists(QPrinter& printer);

private:
    enum ListKind { tvKind, radioKind };

    using GroupCopy = FavoriteGroup;

    void buildControls();
    ProgramListView* createList(ListKind kind);

    int groupCount() const;
    std::vector<ProgramNode*>& members(GroupCopy& group, ListKind kind);
    std::vector<ProgramNode*>& workingList(ListKind kind);
    ProgramListModel* model(ListKind kind) const { return m_models[kind]; }
    ProgramListView* view(ListKind kind) const { return m_views[kind]; }
    ProgramListCommands* commands(ListKind kind) const { return m_commands[kind]; }

    void fillCombo();
    void showView();
    void leaveView();
    void forgetSortOrder();

    void onComboChanged(int entry);
    void onFavoriteModeClicked(bool checked);
    void onMenu(ListKind kind, int row, QPoint globalPosition);
    void addToGroup(ListKind kind, int group);
    void removeFromGroup(ListKind kind, int group);
    void deletePrograms(const std::vector<ProgramNode*>& programs);
    void deleteSelected(ListKind kind);
    void updateInfo();
    void onPrint();
    void onRename();
    void onHelp();
    void onOrderFromFile();
    void onApply();
    void markModified();

    ChannelDatabase& m_database;
    std::vector<ProgramNode*> m_deleted;

    std::vector<ProgramNode*> m_workingTvList;
    std::vector<ProgramNode*> m_workingRadioList;
    std::vector<GroupCopy> m_groupCopies;

    bool m_favoriteMode = false;
    int m_satelliteFilter = -1;
    int m_currentGroup = 0;
    bool m_modified = false;

    QLabel* m_comboLabel = nullptr;
    QComboBox* m_combo = nullptr;
    QPushButton* m_rename = nullptr;
    QCheckBox* m_favoriteModeBox = nullptr;
    std::array<ProgramListModel*, 2> m_models{};
    std::array<ProgramListView*, 2> m_views{};
    std::array<ProgramListCommands*, 2> m_commands{};
    QPushButton* m_apply = nullptr;
    QLabel* m_info = nullptr;
};
