#include "editor/channel_list_dialog.h"

#include "channels/channel_database.h"
#include "channels/channel_file_messages.h"
#include "channels/channel_file_reader.h"
#include "channels/channel_reference_order.h"
#include "channels/name_codec.h"
#include "editor/favorite_mask.h"
#include "editor/favorite_names_dialog.h"
#include "editor/program_list_model.h"
#include "editor/program_list_view.h"
#include "widgets/dialog_units.h"
#include "widgets/file_dialog.h"
#include "widgets/message_box.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSignalBlocker>

#include <algorithm>

namespace {

constexpr std::uint32_t descendingBit = 0x80000000u;

// Column widths of the two lists, in dialog units.
constexpr std::array<int, ProgramListModel::columnCount_> columnWidths{93, 20, 40, 53};

// Menu texts take '&' as a mnemonic marker; a name shows it as it is.
QString menuText(const char* format, const QByteArray& name) {
    QString text = NameCodec::toText(name);
    text.replace(QLatin1Char('&'), QStringLiteral("&&"));
    return QString::fromLatin1(format).arg(text);
}

} // namespace

ChannelListDialog::ChannelListDialog(ChannelDatabase& database, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      m_database(database) {
    setWindowTitle(QStringLiteral("Channel List"));

    const int groups =
        std::min<int>(m_database.favoriteGroupCount, ChannelLimits::maxFavoriteGroups);
    for (int group = 0; group < groups; ++group) {
        const FavoriteGroup& source = m_database.favoriteGroups[std::size_t(group)];
        m_groupCopies.push_back({source.name, source.tvMembers, source.radioMembers});
    }
    m_workingTvList = m_database.tvList;
    m_workingRadioList = m_database.radioList;
    for (ProgramNode* program : m_workingTvList)
        program->pendingFavoriteMask = program->favoriteMask;
    for (ProgramNode* program : m_workingRadioList)
        program->pendingFavoriteMask = program->favoriteMask;

    buildControls();
    fillCombo();
    showView();
}

ChannelListDialog::~ChannelListDialog() = default;

// A reference order may bring more groups than the database has.
int ChannelListDialog::groupCount() const {
    return int(m_groupCopies.size());
}

void ChannelListDialog::buildControls() {
    const DialogUnits units(font());

    m_comboLabel = new QLabel(QStringLiteral("Satellite"), this);
    units.place(m_comboLabel, 7, 9, 52, 8);
    m_combo = new QComboBox(this);
    m_combo->setObjectName(QStringLiteral("satelliteCombo"));
    units.place(m_combo, 60, 7, 150, 13);
    m_comboLabel->setBuddy(m_combo);
    connect(m_combo, &QComboBox::currentIndexChanged, this, &ChannelListDialog::onComboChanged);

    m_rename = new QPushButton(QStringLiteral("Rename"), this);
    m_rename->setObjectName(QStringLiteral("rename"));
    units.place(m_rename, 216, 6, 50, 14);
    m_rename->setAutoDefault(false);
    m_rename->hide();
    connect(m_rename, &QPushButton::clicked, this, &ChannelListDialog::onRename);

    m_favoriteModeBox = new QCheckBox(QStringLiteral("Favorite mode"), this);
    m_favoriteModeBox->setObjectName(QStringLiteral("favoriteMode"));
    units.place(m_favoriteModeBox, 280, 8, 80, 10);
    // Without favourite groups there is nothing to show in favourite mode.
    m_favoriteModeBox->setEnabled(groupCount() > 0);
    connect(m_favoriteModeBox, &QCheckBox::clicked, this,
            &ChannelListDialog::onFavoriteModeClicked);

    auto* tvLabel = new QLabel(QStringLiteral("TV"), this);
    units.place(tvLabel, 7, 28, 60, 8);
    auto* radioLabel = new QLabel(QStringLiteral("RADIO"), this);
    units.place(radioLabel, 239, 28, 60, 8);
    units.place(createList(tvKind), 7, 38, 225, 200);
    units.place(createList(radioKind), 239, 38, 225, 200);
    tvLabel->setBuddy(view(tvKind));
    radioLabel->setBuddy(view(radioKind));

    auto* help = new QPushButton(QStringLiteral("Help"), this);
    help->setObjectName(QStringLiteral("help"));
    units.place(help, 7, 246, 50, 14);
    help->setAutoDefault(false);
    connect(help, &QPushButton::clicked, this, &ChannelListDialog::onHelp);

    auto* orderFromFile = new QPushButton(QStringLiteral("Order from file..."), this);
    orderFromFile->setObjectName(QStringLiteral("orderFromFile"));
    units.place(orderFromFile, 64, 246, 70, 14);
    orderFromFile->setAutoDefault(false);
    connect(orderFromFile, &QPushButton::clicked, this, &ChannelListDialog::onOrderFromFile);

    m_apply = new QPushButton(QStringLiteral("Apply"), this);
    m_apply->setObjectName(QStringLiteral("apply"));
    units.place(m_apply, 357, 246, 50, 14);
    m_apply->setDefault(true);
    m_apply->setEnabled(false);
    connect(m_apply, &QPushButton::clicked, this, &ChannelListDialog::onApply);

    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("cancel"));
    units.place(cancel, 414, 246, 50, 14);
    cancel->setAutoDefault(false);
    connect(cancel, &QPushButton::clicked, this, &ChannelListDialog::reject);

    setFixedSize(units.size(471, 267));
    setTabOrder(m_combo, m_rename);
    setTabOrder(m_rename, m_favoriteModeBox);
    setTabOrder(m_favoriteModeBox, view(tvKind));
    setTabOrder(view(tvKind), view(radioKind));
    setTabOrder(view(radioKind), help);
    setTabOrder(help, orderFromFile);
    setTabOrder(orderFromFile, m_apply);
    setTabOrder(m_apply, cancel);
}

ProgramListView* ChannelListDialog::createList(ListKind kind) {
    auto* listModel = new ProgramListModel(this);
    listModel->setGroupCount(groupCount());
    auto* list = new ProgramListView(this);
    list->setObjectName(kind == tvKind ? QStringLiteral("tvList") : QStringLiteral("radioList"));
    list->setModel(listModel);
    const DialogUnits units(font());
    for (int column = 0; column < ProgramListModel::columnCount_; ++column)
        list->header()->resizeSection(column, units.x(columnWidths[std::size_t(column)]));
    connect(list, &ProgramListView::sortRequested, this,
            [this, kind](int column) { onSort(kind, column); });
    connect(list, &ProgramListView::moveRequested, this,
            [this, kind](int from, int to) { onMove(kind, from, to); });
    connect(list, &ProgramListView::menuRequested, this,
            [this, kind](int row, QPoint position) { onMenu(kind, row, position); });
    m_models[kind] = listModel;
    m_views[kind] = list;
    return list;
}

std::vector<ProgramNode*>& ChannelListDialog::members(GroupCopy& group, ListKind kind) {
    return kind == tvKind ? group.tvMembers : group.radioMembers;
}

std::vector<ProgramNode*>& ChannelListDialog::workingList(ListKind kind) {
    return kind == tvKind ? m_workingTvList : m_workingRadioList;
}

void ChannelListDialog::fillCombo() {
    const QSignalBlocker blocker(m_combo);
    m_combo->clear();
    if (m_favoriteMode) {
        m_comboLabel->setText(QStringLiteral("Favorite Group"));
        for (int group = 0; group < int(m_groupCopies.size()); ++group)
            m_combo->addItem(QStringLiteral("%1. %2").arg(group + 1).arg(
                NameCodec::toText(m_groupCopies[std::size_t(group)].name)));
        m_combo->setCurrentIndex(m_currentGroup);
    } else {
        m_comboLabel->setText(QStringLiteral("Satellite"));
        m_combo->addItem(QStringLiteral("All Satellites"));
        for (const ProgramSatelliteEntry& entry : m_database.programSatellites)
            m_combo->addItem(NameCodec::toText(entry.name));
        m_combo->setCurrentIndex(m_satelliteFilter + 1);
    }
}

void ChannelListDialog::showView() {
    for (ListKind kind : {tvKind, radioKind}) {
        if (m_favoriteMode) {
            model(kind)->setPrograms(members(m_groupCopies[std::size_t(m_currentGroup)], kind));
        } else if (m_satelliteFilter < 0) {
            model(kind)->setPrograms(workingList(kind));
        } else {
            const std::uint8_t position =
                m_database.programSatellites[std::size_t(m_satelliteFilter)].satelliteIndex;
            std::vector<ProgramNode*> rows;
            for (ProgramNode* program : workingList(kind))
                if (program->satelliteIndex == position)
                    rows.push_back(program);
            model(kind)->setPrograms(std::move(rows));
        }
    }
}

void ChannelListDialog::leaveView() {
    for (ListKind kind : {tvKind, radioKind}) {
        const std::vector<ProgramNode*>& rows = model(kind)->programs();
        if (m_favoriteMode) {
            members(m_groupCopies[std::size_t(m_currentGroup)], kind) = rows;
        } else if (m_satelliteFilter < 0) {
            workingList(kind) = rows;
        } else {
            // The satellite's programs take the places they already held, in the rows'
            // order; the other satellites' programs stay where they are.
            const std::uint8_t position =
                m_database.programSatellites[std::size_t(m_satelliteFilter)].satelliteIndex;
            auto next = rows.begin();
            for (ProgramNode*& entry : workingList(kind)) {
                if (next == rows.end())
                    break;
                if (entry->satelliteIndex == position)
                    entry = *next++;
            }
        }
    }
}

void ChannelListDialog::forgetSortOrder() {
    m_sortState = {};
    for (ListKind kind : {tvKind, radioKind})
        view(kind)->header()->setSortIndicatorShown(false);
}

void ChannelListDialog::onComboChanged(int entry) {
    if (entry < 0)
        return;
    if (m_favoriteMode ? entry == m_currentGroup : entry - 1 == m_satelliteFilter)
        return;
    forgetSortOrder();
    leaveView();
    if (m_favoriteMode)
        m_currentGroup = entry;
    else
        m_satelliteFilter = entry - 1;
    showView();
}

void ChannelListDialog::onFavoriteModeClicked(bool checked) {
    if (groupCount() == 0) {
        m_favoriteModeBox->setChecked(false);
        return;
    }
    forgetSortOrder();
    leaveView();
    m_favoriteMode = checked;
    m_rename->setVisible(checked);
    fillCombo();
    showView();
}

void ChannelListDialog::onSort(ListKind kind, int column) {
    const std::uint32_t columnBit = 1u << column;
    std::uint32_t& state = m_sortState[kind];
    if (state & columnBit)
        state ^= descendingBit;
    else
        state = columnBit;
    const bool descending = (state & descendingBit) != 0;
    model(kind)->sortByColumn(column, descending);
    QHeaderView* header = view(kind)->header();
    header->setSortIndicator(column, descending ? Qt::DescendingOrder : Qt::AscendingOrder);
    header->setSortIndicatorShown(true);
    markModified();
}

void ChannelListDialog::onMove(ListKind kind, int from, int to) {
    ProgramListModel* listModel = model(kind);
    if (from == to || !listModel->programAt(from) || !listModel->programAt(to))
        return;
    // The row lands on the target's index; the rows between shift by one.
    if (!listModel->moveRows({}, from, 1, {}, to > from ? to + 1 : to))
        return;
    const QModelIndex moved = listModel->index(to, 0);
    view(kind)->selectionModel()->setCurrentIndex(moved, QItemSelectionModel::ClearAndSelect |
                                                             QItemSelectionModel::Rows);
    view(kind)->scrollTo(moved);
    markModified();
}

void ChannelListDialog::onMenu(ListKind kind, int row, QPoint globalPosition) {
    const ProgramNode* program = model(kind)->programAt(row);
    if (!program || m_groupCopies.empty())
        return;
    QMenu menu(this);
    std::vector<QAction*> removes;
    for (int group = 0; group < int(m_groupCopies.size()); ++group) {
        const QByteArray& name = m_groupCopies[std::size_t(group)].name;
        const bool member = (program->pendingFavoriteMask & (1u << group)) != 0;
        QAction* add = menu.addAction(menuText("Add to %1", name));
        add->setEnabled(!member);
        connect(add, &QAction::triggered, this,
                [this, kind, row, group] { addToGroup(kind, row, group); });
        auto* remove = new QAction(menuText("Remove from %1", name), &menu);
        remove->setEnabled(member);
        connect(remove, &QAction::triggered, this,
                [this, kind, row, group] { removeFromGroup(kind, row, group); });
        removes.push_back(remove);
    }
    menu.addSeparator();
    for (QAction* remove : removes)
        menu.addAction(remove);
    menu.exec(globalPosition);
}

void ChannelListDialog::addToGroup(ListKind kind, int row, int group) {
    ProgramNode* program = model(kind)->programAt(row);
    if (!program || (program->pendingFavoriteMask & (1u << group)))
        return;
    program->pendingFavoriteMask =
        FavoriteMask::added(program->pendingFavoriteMask, group, groupCount());
    members(m_groupCopies[std::size_t(group)], kind).push_back(program);
    model(kind)->refreshFavorites(row);
    markModified();
}

void ChannelListDialog::removeFromGroup(ListKind kind, int row, int group) {
    ProgramNode* program = model(kind)->programAt(row);
    if (!program)
        return;
    program->pendingFavoriteMask =
        FavoriteMask::removed(program->pendingFavoriteMask, group, groupCount());
    std::vector<ProgramNode*>& list = members(m_groupCopies[std::size_t(group)], kind);
    if (const auto it = std::find(list.begin(), list.end(), program); it != list.end())
        list.erase(it);
    if (m_favoriteMode && group == m_currentGroup)
        model(kind)->removeProgramRow(row);
    else
        model(kind)->refreshFavorites(row);
    markModified();
}

void ChannelListDialog::onRename() {
    if (m_groupCopies.empty())
        return;
    FavoriteNamesDialog names(int(m_groupCopies.size()), this);
    for (int row = 0; row < names.nameCount(); ++row)
        names.setName(row, m_groupCopies[std::size_t(row)].name);
    if (names.exec() != QDialog::Accepted)
        return;
    for (int row = 0; row < names.nameCount(); ++row)
        m_groupCopies[std::size_t(row)].name = names.name(row);
    fillCombo();
    markModified();
}

QString ChannelListDialog::helpText() {
    return QStringLiteral(
        "\nTo sort the channel list\n\n\t- Click the left mouse button on a column header of "
        "the list.\n\nTo move a channel item\n\n\t- Drag and drop a channel item.\n\nTo add a "
        "channel item to a favorite group\nTo remove a channel item from a favorite group\n\n"
        "\t- Click the right mouse button on the name of a channel item\n");
}

void ChannelListDialog::onHelp() {
    showMessage(this, helpText(), MessageIcon::none);
}

void ChannelListDialog::onOrderFromFile() {
    FileDialogRequest request;
    request.filter = QStringLiteral("Channel Data File (*.CDF)|*.cdf|All file (*.*)|*.*||");
    request.defaultSuffix = QStringLiteral("CDF");
    request.mustExist = true;
    const QString path = runFileDialog(this, request);
    if (path.isEmpty())
        return;
    ChannelDatabase reference;
    if (const int result = readChannelFile(reference, path); result != 0) {
        showMessage(this, channelReadResultText(result));
        return;
    }

    leaveView();
    ChannelOrder order{m_workingTvList, m_workingRadioList, m_groupCopies};
    const ReferenceOrderCounts counts =
        orderFromReference(m_database, order, &Program::pendingFavoriteMask, reference);
    m_workingTvList = std::move(order.tvList);
    m_workingRadioList = std::move(order.radioList);
    m_groupCopies = std::move(order.groups);
    for (ListKind kind : {tvKind, radioKind})
        model(kind)->setGroupCount(groupCount());
    m_favoriteModeBox->setEnabled(groupCount() > 0);
    forgetSortOrder();
    fillCombo();
    showView();
    markModified();
    showMessage(this,
                QStringLiteral("Order taken from %1.\n\n%2\n\nPrograms not found there follow the "
                               "others in their own order.")
                    .arg(QFileInfo(path).fileName(), referenceOrderSummary(counts)),
                MessageIcon::none);
}

void ChannelListDialog::onApply() {
    if (!m_modified) {
        reject();
        return;
    }
    leaveView();
    m_database.tvList = m_workingTvList;
    m_database.radioList = m_workingRadioList;
    for (ProgramNode* program : m_database.tvList)
        program->favoriteMask = program->pendingFavoriteMask;
    for (ProgramNode* program : m_database.radioList)
        program->favoriteMask = program->pendingFavoriteMask;
    for (int group = 0; group < int(m_groupCopies.size()); ++group)
        m_database.favoriteGroups[std::size_t(group)] = m_groupCopies[std::size_t(group)];
    m_database.favoriteGroupCount = std::uint8_t(m_groupCopies.size());
    accept();
}

void ChannelListDialog::markModified() {
    m_modified = true;
    m_apply->setEnabled(true);
}
