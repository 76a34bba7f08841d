#include "editor/channel_edit_dialog.h"

#include "channels/name_codec.h"
#include "channels/program_cleanup.h"
#include "editor/channel_cells.h"
#include "editor/channel_document.h"
#include "editor/channel_grid.h"
#include "editor/channel_grid_commit.h"
#include "editor/channel_grid_rows.h"
#include "editor/edit_history.h"
#include "editor/editor_file_commands.h"
#include "editor/editor_undo_replay.h"
#include "editor/name_charset_chooser.h"
#include "editor/satellite_tree_find.h"
#include "editor/satellite_tree_model.h"
#include "editor/tree_node_look.h"
#include "widgets/dialog_units.h"
#include "widgets/message_box.h"
#include "widgets/template_button.h"
#include "widgets/window_memory.h"

#include <QAction>
#include <QCloseEvent>
#include <QFrame>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// `width` in dialog units; all buttons of the window are 13 units high.
QPushButton* makeButton(const QString& text, const QString& name, int width, QWidget* parent) {
    auto* button = new TemplateButton(text, width, 13, parent);
    button->setObjectName(name);
    // No default button: Enter does nothing in this window.
    button->setAutoDefault(false);
    return button;
}

// A group box title takes '&' as a shortcut mark; names are shown as they are.
QString literalTitle(const QString& text) {
    QString title = text;
    return title.replace(QLatin1Char('&'), QLatin1String("&&"));
}

} // namespace

ChannelEditDialog::ChannelEditDialog(const QString& filePath, ChannelEditorWindows windows,
                                     QWidget* parent)
    : QDialog(parent), windows_(std::move(windows)) {
    document_ = new ChannelDocument(this);
    treeModel_ = new SatelliteTreeModel(*document_, this);
    history_ = new EditHistory(*document_, this);
    document_->setPath(filePath);
    buildControls();
    connectControls();
    buildShortcuts();
    onInit();
}

ChannelEditDialog::~ChannelEditDialog() {
    // The tree and the grid go before the document; nothing is to follow them any more.
    followSelection_ = false;
    disconnect(grid_, nullptr, this, nullptr);
    disconnect(tree_->selectionModel(), nullptr, this, nullptr);
}

QString ChannelEditDialog::filePath() const {
    return document_->path();
}

bool ChannelEditDialog::isModified() const {
    return saveButton_->isEnabled();
}

void ChannelEditDialog::buildControls() {
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMaximizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setSizeGripEnabled(true);
    const DialogUnits units(font());

    newButton_ = makeButton(QStringLiteral("New"), QStringLiteral("new"), 54, this);
    newButton_->setEnabled(false);
    loadButton_ = makeButton(QStringLiteral("Load"), QStringLiteral("load"), 54, this);
    saveButton_ = makeButton(QStringLiteral("Save"), QStringLiteral("save"), 54, this);
    saveButton_->setEnabled(false);
    saveAsButton_ = makeButton(QStringLiteral("Save As"), QStringLiteral("saveAs"), 54, this);

    tree_ = new QTreeView(this);
    tree_->setObjectName(QStringLiteral("satelliteTree"));
    tree_->setModel(treeModel_);
    tree_->setHeaderHidden(true);
    tree_->setRootIsDecorated(true);
    tree_->setUniformRowHeights(true);
    tree_->setSelectionMode(QAbstractItemView::SingleSelection);
    tree_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tree_->setDragDropMode(QAbstractItemView::NoDragDrop);
    tree_->setIconSize(QSize(16, 16));
    {
        // The selection stays as visible when the tree has no focus.
        QPalette palette = tree_->palette();
        palette.setColor(QPalette::Inactive, QPalette::Highlight,
                         palette.color(QPalette::Active, QPalette::Highlight));
        palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                         palette.color(QPalette::Active, QPalette::HighlightedText));
        tree_->setPalette(palette);
    }
    charsetChooser_ = new NameCharsetChooser(this);

    // Above the tree while a search is open; the tree gives up the room.
    findField_ = new QLineEdit(this);
    findField_->setObjectName(QStringLiteral("findField"));
    findField_->setPlaceholderText(QStringLiteral("Find name, ID or frequency"));
    findField_->setToolTip(QStringLiteral("Enter or F3: next match; Esc: close"));
    findField_->hide();
    find_ = new SatelliteTreeFind(findField_, tree_, treeModel_, *document_, this);

    editSatelliteButton_ = makeButton(QStringLiteral("Edit Selected Satellite"),
                                      QStringLiteral("editSatellite"), 104, this);
    editSatelliteButton_->setEnabled(false);

    gridFrame_ = new QGroupBox(this);
    gridFrame_->setObjectName(QStringLiteral("gridFrame"));
    addButton_ = makeButton(QString(), QStringLiteral("add"), 119, this);
    addButton_->setEnabled(false);
    deleteButton_ = makeButton(QString(), QStringLiteral("delete"), 119, this);
    deleteButton_->setEnabled(false);

    printButton_ = makeButton(QStringLiteral("Print"), QStringLiteral("print"), 54, this);
    exitButton_ = makeButton(QStringLiteral("Exit"), QStringLiteral("exit"), 54, this);

    grid_ = new ChannelGrid(this);
    grid_->setObjectName(QStringLiteral("channelGrid"));
    grid_->setColumnResizeAllowed(true);
    gridCommit_ =
        std::make_unique<ChannelGridCommit>(grid_, *document_, *history_, selection_, this);
    gridRows_ = std::make_unique<ChannelGridRows>(grid_, *document_, *history_, selection_, this);
    files_ = new EditorFileCommands(*document_, *history_, *gridCommit_, this);
    undoReplay_ =
        new EditorUndoReplay(*document_, *history_, *gridCommit_, *treeModel_, tree_, this);

    audioButton_ = makeButton(QStringLiteral("Audio"), QStringLiteral("audio"), 33, this);
    audioButton_->hide();
    channelListButton_ =
        makeButton(QStringLiteral("CH List"), QStringLiteral("channelList"), 54, this);

    // The tree and the grid take the room the window gains; the buttons keep their places
    // along the edges. At the usual size this is the layout of the dialog template.
    auto* treeSide = new QWidget(this);
    auto* treeColumn = new QVBoxLayout(treeSide);
    treeColumn->setContentsMargins(0, units.y(3), 0, units.y(2));
    treeColumn->setSpacing(units.y(2));
    treeColumn->addWidget(findField_);
    treeColumn->addWidget(tree_, 1);
    treeColumn->addWidget(charsetChooser_);
    treeColumn->addSpacing(units.y(6));
    treeColumn->addWidget(editSatelliteButton_);
    tree_->setMinimumSize(units.size(60, 40));

    auto* gridButtons = new QHBoxLayout;
    gridButtons->setSpacing(0);
    gridButtons->addWidget(audioButton_);
    gridButtons->addStretch(1);
    gridButtons->addWidget(addButton_);
    gridButtons->addWidget(deleteButton_);
    auto* gridColumn = new QVBoxLayout(gridFrame_);
    gridColumn->setContentsMargins(units.x(4), units.y(2), units.x(4), units.y(8));
    gridColumn->setSpacing(units.y(9));
    gridColumn->addWidget(grid_, 1);
    gridColumn->addLayout(gridButtons);
    grid_->setMinimumSize(units.size(120, 40));

    splitter_ = new QSplitter(Qt::Horizontal, this);
    splitter_->setObjectName(QStringLiteral("treeGridSplitter"));
    splitter_->setChildrenCollapsible(false);
    splitter_->setHandleWidth(units.x(6));
    splitter_->addWidget(treeSide);
    splitter_->addWidget(gridFrame_);
    splitter_->setStretchFactor(0, 0);
    splitter_->setStretchFactor(1, 1);
    splitter_->setSizes({units.x(104), units.x(292)});

    auto* separator = new QFrame(this);
    separator->setFrameStyle(QFrame::HLine | QFrame::Sunken);

    auto* commands = new QHBoxLayout;
    commands->setSpacing(0);
    for (QPushButton* button : {newButton_, loadButton_, saveButton_, saveAsButton_})
        commands->addWidget(button);
    commands->addSpacing(units.x(11));
    commands->addWidget(printButton_);
    commands->addWidget(channelListButton_);
    commands->addStretch(1);
    commands->addWidget(exitButton_);

    auto* window = new QVBoxLayout(this);
    window->setContentsMargins(units.x(7), units.y(7), units.x(7), units.y(7));
    window->setSpacing(units.y(7));
    window->addWidget(splitter_, 1);
    window->addWidget(separator);
    window->addLayout(commands);

    QWidget* order[] = {
        newButton_,           loadButton_,       saveButton_,   saveAsButton_, findField_,  tree_,
        editSatelliteButton_, addButton_,        deleteButton_, printButton_,  exitButton_, grid_,
        audioButton_,         channelListButton_};
    for (std::size_t i = 1; i < std::size(order); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
    QWidget::setTabOrder(tree_, charsetChooser_->comboBox());
    QWidget::setTabOrder(charsetChooser_->comboBox(), editSatelliteButton_);

    memory_ = WindowMemory::attach(this, QStringLiteral("Channel editor"), units.size(416, 303));
    memory_->restoreSplitter(splitter_, QStringLiteral("splitter"));
    connect(grid_, &GridCtrl::columnResized, this, [this] {
        memory_->writeWidths(columnWidthsKey(grid_->gridMode()), grid_->columnWidths());
    });
}

QString ChannelEditDialog::columnWidthsKey(int gridMode) {
    return QStringLiteral("columns %1").arg(gridMode);
}

void ChannelEditDialog::restoreColumnWidths() {
    if (grid_->gridMode() != ChannelGrid::noRows)
        grid_->setColumnWidths(memory_->readWidths(columnWidthsKey(grid_->gridMode())));
}

void ChannelEditDialog::connectControls() {
    connect(document_, &ChannelDocument::modifiedChanged, saveButton_, &QWidget::setEnabled);
    connect(charsetChooser_, &NameCharsetChooser::charsetChanged, this,
            &ChannelEditDialog::showNamesAgain);
    connect(document_, &ChannelDocument::pathChanged, this, &ChannelEditDialog::updateCaption);
    connect(tree_->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        if (!followSelection_)
            return;
        const QModelIndexList selected = tree_->selectionModel()->selectedIndexes();
        onSelectionChanged(selected.isEmpty() ? QModelIndex() : selected.first());
    });
    connect(grid_, &GridCtrl::cellChanged, this,
            [this](int row, int column) { gridCommit_->cellChanged(row, column); });
    // A cut or a paste is one step, however many rows it reaches.
    connect(grid_, &GridCtrl::cellsChangeBegun, this, [this] { gridCommit_->cellsChangeBegun(); });
    connect(grid_, &GridCtrl::cellsChangeEnded, this, [this] { gridCommit_->cellsChangeEnded(); });
    connect(editSatelliteButton_, &QPushButton::clicked, this, &ChannelEditDialog::onEditSatellite);
    connect(addButton_, &QPushButton::clicked, this, [this] { gridRows_->add(); });
    connect(deleteButton_, &QPushButton::clicked, this, &ChannelEditDialog::onDelete);
    connect(saveButton_, &QPushButton::clicked, files_, &EditorFileCommands::save);
    connect(saveAsButton_, &QPushButton::clicked, files_, &EditorFileCommands::saveAs);
    connect(loadButton_, &QPushButton::clicked, files_, &EditorFileCommands::load);
    connect(files_, &EditorFileCommands::aboutToLoad, this, &ChannelEditDialog::showNothing);
    connect(files_, &EditorFileCommands::loaded, this, &ChannelEditDialog::selectFirstSatellite);
    connect(printButton_, &QPushButton::clicked, this, &ChannelEditDialog::onPrint);
    connect(audioButton_, &QPushButton::clicked, this, &ChannelEditDialog::onAudio);
    connect(channelListButton_, &QPushButton::clicked, this, &ChannelEditDialog::onChannelList);
    connect(exitButton_, &QPushButton::clicked, this, &ChannelEditDialog::onExit);

    connect(undoReplay_, &EditorUndoReplay::aboutToReplay, this,
            [this] { followSelection_ = false; });
    connect(undoReplay_, &EditorUndoReplay::replayed, this, &ChannelEditDialog::showReplayed);
}

void ChannelEditDialog::buildShortcuts() {
    const auto addShortcut = [this](const QList<QKeySequence>& keys, auto handler) {
        auto* action = new QAction(this);
        action->setShortcuts(keys);
        action->setShortcutContext(Qt::WindowShortcut);
        addAction(action);
        connect(action, &QAction::triggered, this, handler);
    };
    // A button's key does what a click does, and nothing while the button is disabled.
    const auto buttonKey = [this, addShortcut](QPushButton* button, const QKeySequence& key) {
        button->setToolTip(
            QStringLiteral("%1 (%2)").arg(button->text(), key.toString(QKeySequence::NativeText)));
        addShortcut({key}, [button] {
            if (button->isEnabled() && button->isVisible())
                button->click();
        });
    };
    buttonKey(saveButton_, QKeySequence(Qt::CTRL | Qt::Key_S));
    buttonKey(saveAsButton_, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    buttonKey(loadButton_, QKeySequence(Qt::CTRL | Qt::Key_O));
    buttonKey(printButton_, QKeySequence(Qt::CTRL | Qt::Key_P));
    addShortcut({QKeySequence(Qt::CTRL | Qt::Key_F)}, [this] { find_->open(); });
    addShortcut({QKeySequence(Qt::Key_F3)}, [this] { find_->find(true); });
    addShortcut({QKeySequence(Qt::CTRL | Qt::Key_Z)}, [this] { undoReplay_->undo(); });
    addShortcut(
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)},
        [this] { undoReplay_->redo(); });
}

void ChannelEditDialog::onInit() {
    // The main window's check is the quick one; whoever opens the window looks at this result
    // before showing it, so that a file that does not read never opens as an empty list.
    readResult_ = document_->load(filePath());
    selectFirstSatellite();
    grid_->applyBaseSettings();
    updateCaption();
}

void ChannelEditDialog::updateCaption() {
    setWindowTitle(QStringLiteral("Channel Edit - ") + filePath());
}

void ChannelEditDialog::showNamesAgain() {
    treeModel_->refreshNames();
    if (selection_.mode == ChannelGrid::programRows)
        grid_->refreshNames(*selection_.transponder);
    refresh(false);
}

void ChannelEditDialog::selectFirstSatellite() {
    const QModelIndex first = treeModel_->index(0, 0);
    if (first.isValid())
        tree_->setCurrentIndex(first);
}

void ChannelEditDialog::selectTreeNodeQuietly(const QModelIndex& index) {
    followSelection_ = false;
    if (index.isValid())
        tree_->setCurrentIndex(index);
    else
        tree_->selectionModel()->clearSelection();
    followSelection_ = true;
}

void ChannelEditDialog::showNothing() {
    selectTreeNodeQuietly({});
    selection_.satellite = nullptr;
    selection_.transponder = nullptr;
    selection_.program = nullptr;
    setGridMode(ChannelGrid::noRows);
    refresh(false);
}

void ChannelEditDialog::setGridMode(int mode) {
    if (mode == selection_.mode && mode == grid_->gridMode())
        return;
    selection_.mode = mode;
    static const QString addTexts[] = {QString(), QStringLiteral("Add New Transponder"),
                                       QStringLiteral("Add New Program")};
    static const QString deleteTexts[] = {QString(), QStringLiteral("Delete Selected Transponder"),
                                          QStringLiteral("Delete Selected Program")};
    addButton_->setText(addTexts[mode]);
    deleteButton_->setText(deleteTexts[mode]);
    const bool any = mode != ChannelGrid::noRows;
    for (QPushButton* button : {editSatelliteButton_, printButton_, addButton_, deleteButton_})
        button->setEnabled(any);
    grid_->setColumns(mode);
    restoreColumnWidths();
}

void ChannelEditDialog::refresh(bool fillGrid) {
    const bool treeHadFocus = tree_->hasFocus();
    switch (selection_.mode) {
    case ChannelGrid::transponderRows: {
        gridFrame_->setTitle(literalTitle(satelliteLabel(*selection_.satellite)));
        if (!fillGrid)
            break;
        gridRows_->fill();
        audioButton_->hide();
        break;
    }
    case ChannelGrid::programRows: {
        gridFrame_->setTitle(
            literalTitle(satelliteLabel(*selection_.satellite) + QStringLiteral(" [") +
                         transponderLabel(*selection_.transponder) + QStringLiteral("]")));
        if (!fillGrid)
            break;
        gridRows_->fill();
        audioButton_->show();
        break;
    }
    default:
        gridFrame_->setTitle(QString());
        audioButton_->hide();
        break;
    }
    // Walking the tree with the arrow keys keeps the focus in the tree.
    if (treeHadFocus)
        tree_->setFocus(Qt::OtherFocusReason);
}

void ChannelEditDialog::onSelectionChanged(const QModelIndex& node) {
    if (const CellRefusals refusals = gridCommit_->commitGrid(); !refusals.empty())
        gridCommit_->refusedCells(refusals, QStringLiteral("The previous value was kept."));
    showNode(node);
}

void ChannelEditDialog::showNode(const QModelIndex& node) {
    selection_.satellite = nullptr;
    selection_.transponder = nullptr;
    selection_.program = nullptr;
    int mode = ChannelGrid::noRows;
    if (SatelliteNode* satellite = SatelliteTreeModel::satelliteAt(node)) {
        mode = ChannelGrid::transponderRows;
        selection_.satellite = satellite;
    } else if (TransponderNode* transponder = SatelliteTreeModel::transponderAt(node)) {
        mode = ChannelGrid::programRows;
        selection_.transponder = transponder;
        selection_.satellite = transponder->satellite();
    } else if (ProgramNode* program = SatelliteTreeModel::programAt(node)) {
        mode = ChannelGrid::programRows;
        selection_.program = program;
        selection_.transponder = program->transponder();
        selection_.satellite = selection_.transponder->satellite();
    }
    setGridMode(mode);
    refresh(true);
}

void ChannelEditDialog::onEditSatellite() {
    SatelliteNode* satellite = selection_.satellite;
    const int layout = document_->database().layout;
    if (!satellite || (layout != 1 && layout != 2) || !windows_.openSatelliteWindow)
        return;
    // What was typed into the grid goes in first, as its own step: left for later it would
    // be read after the satellite's step, and Ctrl+Z would take it back before the window's
    // change.
    if (const CellRefusals refusals = gridCommit_->commitGrid(); !refusals.empty()) {
        gridCommit_->refusedCells(refusals, QStringLiteral("Correct the cell before editing the "
                                                           "satellite."));
        return;
    }
    const SatelliteState before = document_->satelliteState(satellite);
    const SatelliteWindowResult result =
        windows_.openSatelliteWindow(this, document_->database(), satellite);
    if (!result.accepted || !result.dataChanged)
        return;
    history_->beginStep();
    document_->satelliteEdited(satellite, before);
    if (result.nameChanged)
        refresh(false);
    if (const int image = treeModel_->satelliteImageOf(satellite); result.treeIcon != image) {
        treeModel_->setSatelliteImage(satellite, result.treeIcon);
        // Satellites live as long as the loaded data, and the history goes with it.
        history_->addViewChange([this, satellite, image, after = result.treeIcon](bool redo) {
            treeModel_->setSatelliteImage(satellite, redo ? after : image);
        });
    }
    history_->endStep();
}

void ChannelEditDialog::onDelete() {
    if (selection_.mode == ChannelGrid::noRows)
        return;
    grid_->commitEdit();
    // The tree's selected node may be among those deleted; the editor moves the selection
    // itself afterwards.
    followSelection_ = false;
    const bool selectedProgramDeleted = gridRows_->deleteSelected();
    followSelection_ = true;
    if (selectedProgramDeleted) {
        selection_.program = nullptr;
        selectTreeNodeQuietly(treeModel_->indexOf(selection_.transponder));
    }
}

void ChannelEditDialog::onPrint() {
    grid_->setPrintTitle(gridFrame_->title().replace(QLatin1String("&&"), QLatin1String("&")));
    grid_->print();
}

void ChannelEditDialog::onAudio() {
    if (selection_.mode != ChannelGrid::programRows)
        return;
    const auto [row, program] = gridRows_->selectedProgram();
    if (!program || !windows_.openAudioWindow)
        return;
    // What was typed into the other rows goes in first, as its own step: left for later it
    // would be read after the audio change, and Ctrl+Z would take it back first.
    if (const CellRefusals refusals = gridCommit_->commitGrid(row); !refusals.empty()) {
        gridCommit_->refusedCells(refusals,
                                  QStringLiteral("Correct the cell before opening the audio "
                                                 "tracks."));
        return;
    }
    // The row is refilled from the record afterwards; what the user typed goes in first, and
    // with the audio window's change it is one step to take back.
    history_->beginStep();
    if (const CellRefusals refusals = gridCommit_->commitRow(row); !refusals.empty()) {
        history_->endStep();
        gridCommit_->refusedCells(refusals,
                                  QStringLiteral("Correct the cell before opening the audio "
                                                 "tracks."));
        return;
    }
    const Program before = program->record();
    if (windows_.openAudioWindow(this, document_->database(), program))
        document_->programEdited(program, before);
    history_->endStep();
    grid_->fillProgramRow(*program, row);
    grid_->redraw();
}

void ChannelEditDialog::onChannelList() {
    if (const CellRefusals refusals = gridCommit_->commitGrid(); !refusals.empty()) {
        gridCommit_->refusedCells(refusals,
                                  QStringLiteral("Correct the cell before opening the channel "
                                                 "list."));
        return;
    }
    ChannelDatabase& database = document_->database();
    database.renumber();
    if (database.programSatellites.empty()) {
        showMessage(this, QStringLiteral("No channels..."), MessageIcon::exclamation);
        return;
    }
    if (!windows_.openChannelList)
        return;
    const ChannelListState before = document_->channelListState();
    // Only what the window leaves out is deleted, should anything be out of the lists already.
    const std::vector<ProgramNode*> outBefore = ProgramCleanup::unlisted(database);
    if (!windows_.openChannelList(this, database))
        return;
    // The new order and the programs deleted in the window (left out of both lists) are one
    // step.
    history_->beginStep();
    document_->channelListsEdited(before);
    std::vector<ProgramNode*> deleted = ProgramCleanup::unlisted(database);
    std::erase_if(deleted, [&outBefore](const ProgramNode* program) {
        return std::find(outBefore.begin(), outBefore.end(), program) != outBefore.end();
    });
    const bool anyDeleted = !deleted.empty();
    if (anyDeleted) {
        followSelection_ = false;
        document_->apply(ProgramsRemoval{std::move(deleted)});
        followSelection_ = true;
    }
    history_->endStep();
    // The window may have renamed programs; the tree reads its labels when painting.
    tree_->viewport()->update();
    // After a deletion the tree has moved off any node that went.
    if (anyDeleted)
        showNode(tree_->currentIndex());
    else
        refresh(true);
}

void ChannelEditDialog::onExit() {
    if (!files_->askToSave())
        return;
    showNothing();
    history_->clear();
    document_->clear();
    closing_ = true;
    done(QDialog::Rejected);
}

void ChannelEditDialog::reject() {
    onExit();
}

void ChannelEditDialog::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        return;
    }
    // While a search is open, Escape closes the search first, wherever the focus is.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier && find_->isOpen()) {
        find_->close();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void ChannelEditDialog::closeEvent(QCloseEvent* event) {
    if (closing_) {
        event->accept();
        return;
    }
    event->ignore();
    onExit();
}

void ChannelEditDialog::showReplayed(const QModelIndex& node) {
    followSelection_ = true;
    selectTreeNodeQuietly(node);
    if (node.isValid())
        tree_->scrollTo(node);
    showNode(node);
    // Labels are read when painting.
    tree_->viewport()->update();
}
