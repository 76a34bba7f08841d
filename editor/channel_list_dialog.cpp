#include "editor/channel_list_dialog.h"

#include "channels/channel_database.h"
#include "channels/channel_reference_order.h"
#include "channels/name_codec.h"
#include "editor/channel_list_printout.h"
#include "editor/channel_select_menu.h"
#include "editor/favorite_mask.h"
#include "editor/favorite_names_dialog.h"
#include "editor/program_list_commands.h"
#include "editor/program_list_model.h"
#include "editor/reference_file.h"
#include "widgets/dialog_units.h"
#include "widgets/message_box.h"
#include "widgets/print_problem.h"
#include "widgets/template_button.h"
#include "widgets/window_memory.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMenu>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <algorithm>
#include <unordered_set>

namespace {

// Column widths of the two lists, in dialog units: "No.", "Name", "CA", "Satellite",
// "TP Idx", "Fav".
constexpr std::array<int, ProgramListModel::columnCount_> columnWidths{20, 70, 14, 60, 26, 22};

// Menu texts take '&' as a mnemonic marker; a name shows it as it is.
QString menuText(const char* format, const QByteArray& name) {
    QString text = NameCodec::toText(name);
    text.replace(QLatin1Char('&'), QStringLiteral("&&"));
    return QString::fromLatin1(format).arg(text);
}

} // namespace

ChannelListDialog::ChannelListDialog(ChannelDatabase& database, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint),
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
    setWindowFlag(Qt::WindowMaximizeButtonHint);
    setSizeGripEnabled(true);
    const DialogUnits units(font());

    m_comboLabel = new QLabel(QStringLiteral("Satellite"), this);
    m_combo = new QComboBox(this);
    m_combo->setObjectName(QStringLiteral("satelliteCombo"));
    m_combo->setMinimumWidth(units.x(90));
    m_combo->setMaximumWidth(units.x(150));
    m_combo->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    m_comboLabel->setBuddy(m_combo);
    connect(m_combo, &QComboBox::currentIndexChanged, this, &ChannelListDialog::onComboChanged);

    m_rename = new TemplateButton(QStringLiteral("Rename"), 50, 14, this);
    m_rename->setObjectName(QStringLiteral("rename"));
    m_rename->setAutoDefault(false);
    // The check box beside it stays in its place while the button is hidden.
    QSizePolicy renamePolicy = m_rename->sizePolicy();
    renamePolicy.setRetainSizeWhenHidden(true);
    m_rename->setSizePolicy(renamePolicy);
    m_rename->hide();
    connect(m_rename, &QPushButton::clicked, this, &ChannelListDialog::onRename);

    m_favoriteModeBox = new QCheckBox(QStringLiteral("Favorite mode"), this);
    m_favoriteModeBox->setObjectName(QStringLiteral("favoriteMode"));
    // Without favourite groups there is nothing to show in favourite mode.
    m_favoriteModeBox->setEnabled(groupCount() > 0);
    connect(m_favoriteModeBox, &QCheckBox::clicked, this,
            &ChannelListDialog::onFavoriteModeClicked);

    m_info = new QLabel(this);
    m_info->setObjectName(QStringLiteral("selectionInfo"));
    m_info->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    auto* tvLabel = new QLabel(QStringLiteral("TV"), this);
    auto* radioLabel = new QLabel(QStringLiteral("RADIO"), this);
    ProgramListView* tvList = createList(tvKind);
    ProgramListView* radioList = createList(radioKind);
    tvLabel->setBuddy(tvList);
    radioLabel->setBuddy(radioList);

    auto* help = new TemplateButton(QStringLiteral("Help"), 50, 14, this);
    help->setObjectName(QStringLiteral("help"));
    help->setAutoDefault(false);
    connect(help, &QPushButton::clicked, this, &ChannelListDialog::onHelp);

    auto* orderFromFile = new TemplateButton(QStringLiteral("Order from file..."), 70, 14, this);
    orderFromFile->setObjectName(QStringLiteral("orderFromFile"));
    orderFromFile->setAutoDefault(false);
    connect(orderFromFile, &QPushButton::clicked, this, &ChannelListDialog::onOrderFromFile);

    auto* select = new TemplateButton(QStringLiteral("Select"), 50, 14, this);
    select->setObjectName(QStringLiteral("select"));
    select->setAutoDefault(false);
    auto* selectMenu = new ChannelSelectMenu(
        m_database, {{{tvList, model(tvKind)}, {radioList, model(radioKind)}}}, select);
    select->setMenu(selectMenu);
    connect(selectMenu, &ChannelSelectMenu::selected, this, &ChannelListDialog::updateInfo);
    connect(selectMenu, &ChannelSelectMenu::deleteRequested, this,
            &ChannelListDialog::deletePrograms);

    auto* print = new TemplateButton(QStringLiteral("Print..."), 50, 14, this);
    print->setObjectName(QStringLiteral("print"));
    print->setAutoDefault(false);
    connect(print, &QPushButton::clicked, this, &ChannelListDialog::onPrint);

    m_apply = new TemplateButton(QStringLiteral("Apply"), 50, 14, this);
    m_apply->setObjectName(QStringLiteral("apply"));
    m_apply->setDefault(true);
    m_apply->setEnabled(false);
    connect(m_apply, &QPushButton::clicked, this, &ChannelListDialog::onApply);

    auto* cancel = new TemplateButton(QStringLiteral("Cancel"), 50, 14, this);
    cancel->setObjectName(QStringLiteral("cancel"));
    cancel->setAutoDefault(false);
    connect(cancel, &QPushButton::clicked, this, &ChannelListDialog::reject);

    // The two lists share the room the window gains; the controls above and the buttons below
    // keep their order. At the usual size this is the layout of the dialog template.
    auto* chooser = new QHBoxLayout;
    chooser->setSpacing(0);
    m_comboLabel->setFixedWidth(units.x(53));
    chooser->addWidget(m_comboLabel);
    chooser->addWidget(m_combo, 1);
    chooser->addSpacing(units.x(6));
    chooser->addWidget(m_rename);
    chooser->addSpacing(units.x(14));
    chooser->addWidget(m_favoriteModeBox);
    chooser->addStretch(0);

    auto* lists = new QGridLayout;
    lists->setHorizontalSpacing(units.x(7));
    lists->setVerticalSpacing(units.y(2));
    lists->addWidget(tvLabel, 0, 0);
    auto* radioTitle = new QHBoxLayout;
    radioTitle->addWidget(radioLabel);
    radioTitle->addStretch(1);
    radioTitle->addWidget(m_info);
    lists->addLayout(radioTitle, 0, 1);
    lists->addWidget(tvList, 1, 0);
    lists->addWidget(radioList, 1, 1);
    lists->setColumnStretch(0, 1);
    lists->setColumnStretch(1, 1);
    lists->setRowStretch(1, 1);
    for (ProgramListView* list : {tvList, radioList})
        list->setMinimumSize(units.size(120, 60));

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(units.x(6));
    buttons->addWidget(help);
    buttons->addWidget(orderFromFile);
    buttons->addWidget(select);
    buttons->addWidget(print);
    buttons->addStretch(1);
    buttons->addWidget(m_apply);
    buttons->addWidget(cancel);

    auto* window = new QVBoxLayout(this);
    window->setContentsMargins(units.x(7), units.y(7), units.x(7), units.y(7));
    window->setSpacing(units.y(8));
    window->addLayout(chooser);
    window->addLayout(lists, 1);
    window->addLayout(buttons);

    setTabOrder(m_combo, m_rename);
    setTabOrder(m_rename, m_favoriteModeBox);
    setTabOrder(m_favoriteModeBox, view(tvKind));
    setTabOrder(view(tvKind), view(radioKind));
    setTabOrder(view(radioKind), help);
    setTabOrder(help, orderFromFile);
    setTabOrder(orderFromFile, select);
    setTabOrder(select, print);
    setTabOrder(print, m_apply);
    setTabOrder(m_apply, cancel);

    WindowMemory::attach(this, QStringLiteral("Channel list"), units.size(471, 267));
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
    auto* listCommands = new ProgramListCommands(list, listModel, this);
    connect(listCommands, &ProgramListCommands::changed, this, &ChannelListDialog::markModified);
    connect(listCommands, &ProgramListCommands::deleteRequested, this,
            [this, kind] { deleteSelected(kind); });
    connect(list, &ProgramListView::menuRequested, this,
            [this, kind](int row, QPoint position) { onMenu(kind, row, position); });
    m_models[kind] = listModel;
    m_views[kind] = list;
    m_commands[kind] = listCommands;
    connect(list->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &ChannelListDialog::updateInfo);
    connect(listModel, &QAbstractItemModel::modelReset, this, &ChannelListDialog::updateInfo);
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
            std::vector<int> places;
            const std::vector<ProgramNode*>& list = workingList(kind);
            for (std::size_t place = 0; place < list.size(); ++place)
                if (list[place]->satelliteIndex == position) {
                    rows.push_back(list[place]);
                    places.push_back(int(place));
                }
            model(kind)->setPrograms(std::move(rows), std::move(places));
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
    for (ListKind kind : {tvKind, radioKind})
        commands(kind)->forgetSortOrder();
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

void ChannelListDialog::onMenu(ListKind kind, int row, QPoint globalPosition) {
    ProgramListView* list = view(kind);
    if (!model(kind)->programAt(row))
        return;
    // A right click outside the selection selects the row under the pointer alone.
    if (!list->selectionModel()->isRowSelected(row, {}))
        list->selectRows({row});
    const std::vector<int> selected = list->selectedRows();
    std::uint8_t anyMask = 0;
    std::uint8_t allMask = 0xFF;
    for (int r : selected) {
        const std::uint8_t mask = model(kind)->programAt(r)->pendingFavoriteMask;
        anyMask |= mask;
        allMask &= mask;
    }

    QMenu menu(this);
    std::vector<QAction*> removes;
    for (int group = 0; group < int(m_groupCopies.size()); ++group) {
        const QByteArray& name = m_groupCopies[std::size_t(group)].name;
        const std::uint8_t bit = std::uint8_t(1u << group);
        QAction* add = menu.addAction(menuText("Add to %1", name));
        add->setEnabled((allMask & bit) == 0);
        connect(add, &QAction::triggered, this, [this, kind, group] { addToGroup(kind, group); });
        auto* remove = new QAction(menuText("Remove from %1", name), &menu);
        remove->setEnabled((anyMask & bit) != 0);
        connect(remove, &QAction::triggered, this,
                [this, kind, group] { removeFromGroup(kind, group); });
        removes.push_back(remove);
    }
    if (!removes.empty()) {
        menu.addSeparator();
        for (QAction* remove : removes)
            menu.addAction(remove);
        menu.addSeparator();
    }
    commands(kind)->addMenuCommands(menu);
    menu.exec(globalPosition);
}

void ChannelListDialog::addToGroup(ListKind kind, int group) {
    bool changed = false;
    for (int row : view(kind)->selectedRows()) {
        ProgramNode* program = model(kind)->programAt(row);
        if (!program || (program->pendingFavoriteMask & (1u << group)))
            continue;
        program->pendingFavoriteMask =
            FavoriteMask::added(program->pendingFavoriteMask, group, groupCount());
        members(m_groupCopies[std::size_t(group)], kind).push_back(program);
        model(kind)->refreshFavorites(row);
        changed = true;
    }
    if (changed)
        markModified();
}

void ChannelListDialog::removeFromGroup(ListKind kind, int group) {
    std::vector<int> rows = view(kind)->selectedRows();
    if (rows.empty())
        return;
    std::vector<ProgramNode*>& list = members(m_groupCopies[std::size_t(group)], kind);
    // From the last row up, so that deleting rows of the shown group keeps the others' rows.
    for (auto it = rows.rbegin(); it != rows.rend(); ++it) {
        ProgramNode* program = model(kind)->programAt(*it);
        if (!program)
            continue;
        program->pendingFavoriteMask =
            FavoriteMask::removed(program->pendingFavoriteMask, group, groupCount());
        if (const auto at = std::find(list.begin(), list.end(), program); at != list.end())
            list.erase(at);
        if (m_favoriteMode && group == m_currentGroup)
            model(kind)->removeProgramRow(*it);
        else
            model(kind)->refreshFavorites(*it);
    }
    markModified();
}

void ChannelListDialog::deleteSelected(ListKind kind) {
    std::vector<ProgramNode*> programs;
    for (int row : view(kind)->selectedRows())
        programs.push_back(model(kind)->programAt(row));
    deletePrograms(programs);
}

void ChannelListDialog::deletePrograms(const std::vector<ProgramNode*>& programs) {
    if (programs.empty())
        return;
    const std::unordered_set<const ProgramNode*> doomed(programs.begin(), programs.end());
    const auto gone = [&doomed](const ProgramNode* program) { return doomed.count(program) > 0; };
    // The rows' order is saved first, so that the remaining rows keep it.
    leaveView();
    std::array<int, 2> firstRow{};
    for (ListKind kind : {tvKind, radioKind}) {
        const std::vector<int> selected = view(kind)->selectedRows();
        firstRow[kind] = selected.empty() ? 0 : selected.front();
        std::erase_if(workingList(kind), gone);
    }
    for (GroupCopy& group : m_groupCopies) {
        std::erase_if(group.tvMembers, gone);
        std::erase_if(group.radioMembers, gone);
    }
    m_deleted.insert(m_deleted.end(), programs.begin(), programs.end());
    showView();
    // The row after the deleted ones becomes current, for the next deletion.
    for (ListKind kind : {tvKind, radioKind}) {
        const int rows = model(kind)->rowCount();
        if (rows > 0)
            view(kind)->selectionModel()->setCurrentIndex(
                model(kind)->index(std::min(firstRow[kind], rows - 1), 0),
                QItemSelectionModel::NoUpdate);
    }
    markModified();
    updateInfo();
}

void ChannelListDialog::updateInfo() {
    if (!m_info || !view(tvKind) || !view(radioKind))
        return;
    const int selected =
        int(view(tvKind)->selectedRows().size() + view(radioKind)->selectedRows().size());
    QString text = QStringLiteral("%1 selected").arg(selected);
    if (!m_deleted.empty())
        text += QStringLiteral(", %1 to be deleted on Apply").arg(m_deleted.size());
    m_info->setText(text);
}

bool ChannelListDialog::printLists(QPrinter& printer) {
    leaveView();
    ChannelListPrintout printout;
    printout.tvList = m_workingTvList;
    printout.radioList = m_workingRadioList;
    for (const GroupCopy& group : m_groupCopies)
        printout.groupNames.push_back(group.name);
    if (printChannelLists(printer, printout))
        return true;
    // Not to pass for printed: the preview closes either way.
    showMessage(this, printNotStartedText(printer));
    return false;
}

void ChannelListDialog::onPrint() {
    QPrinter printer(QPrinter::HighResolution);
    QPrintPreviewDialog preview(&printer, this);
    preview.setWindowTitle(QStringLiteral("Print Preview - Channel List"));
    connect(&preview, &QPrintPreviewDialog::paintRequested, this,
            [this](QPrinter* target) { printLists(*target); });
    preview.exec();
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
    const std::optional<ReferenceFile> reference = readReferenceFile(this);
    if (!reference)
        return;

    leaveView();
    ChannelOrder order{m_workingTvList, m_workingRadioList, m_groupCopies};
    const ReferenceOrderCounts counts =
        orderFromReference(m_database, order, &Program::pendingFavoriteMask, reference->channels);
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
                    .arg(QFileInfo(reference->path).fileName(), referenceOrderSummary(counts)),
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
