#pragma once

#include "editor/channel_editor_windows.h"
#include "editor/channel_grid.h"
#include "editor/channel_grid_commit.h"

#include <QDialog>

#include <memory>

class ChannelDocument;
class NameCharsetChooser;
class EditHistory;
class ChannelGridRows;
class EditorFileCommands;
class EditorUndoReplay;
class QLineEdit;
class QGroupBox;
class QModelIndex;
class QPushButton;
class QSplitter;
class WindowMemory;
class QTreeView;
class SatelliteNode;
class SatelliteTreeFind;
class SatelliteTreeModel;
class TransponderNode;
class ProgramNode;

// The offline channel editor: the satellite tree on the left, the grid of the selected
// satellite's transponders or the selected transponder's programs on the right, and the
// commands below. Opened modally on a Channel Data File; afterwards filePath() is the file it
// ended on (another one after Save As).
class ChannelEditDialog : public QDialog {
    Q_OBJECT
public:
    explicit ChannelEditDialog(const QString& filePath, ChannelEditorWindows windows = {},
                               QWidget* parent = nullptr);
    ~ChannelEditDialog() override;

    QString filePath() const;
    // The result of reading the file when the window was made (readChannelFile); a window
    // whose file did not read is not to be shown: it would offer an empty list for saving.
    int readResult() const { return readResult_; }
    int gridMode() const { return selection_.mode; }
    bool isModified() const;

    ChannelDocument& document() { return *document_; }
    SatelliteTreeModel& treeModel() { return *treeModel_; }
    QTreeView* tree() const { return tree_; }
    ChannelGrid* grid() const { return grid_; }
    EditHistory& history() { return *history_; }
    QLineEdit* findField() const { return findField_; }
    QSplitter* splitter() const { return splitter_; }
    SatelliteNode* selectedSatellite() const { return selection_.satellite; }
    TransponderNode* selectedTransponder() const { return selection_.transponder; }
    ProgramNode* selectedProgram() const { return selection_.program; }

    void reject() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    // The remembered column widths of the grid's present mode, when there are any.
    void restoreColumnWidths();
    static QString columnWidthsKey(int gridMode);
    void connectControls();
    void buildShortcuts();
    void onInit();

    void onSelectionChanged(const QModelIndex& node);
    // Shows the node's transponders or programs without reading the grid first.
    void showNode(const QModelIndex& node);
    void onEditSatellite();
    void onDelete();
    void onPrint();
    void onAudio();
    void onChannelList();
    void onExit();
    // After an undo or redo: the tree's current node is the one whose children show the
    // change, and the grid shows the data as it is.
    void showReplayed(const QModelIndex& node);

    void refresh(bool fillGrid);
    void setGridMode(int mode);
    void showNothing();
    void selectFirstSatellite();
    void selectTreeNodeQuietly(const QModelIndex& index);
    void updateCaption();
    // Names again in the character set just chosen; the data stays as it is.
    void showNamesAgain();

    ChannelEditorWindows windows_;
    ChannelDocument* document_ = nullptr;
    SatelliteTreeModel* treeModel_ = nullptr;
    EditHistory* history_ = nullptr;

    QPushButton* newButton_ = nullptr;
    QPushButton* loadButton_ = nullptr;
    QPushButton* saveButton_ = nullptr;
    QPushButton* saveAsButton_ = nullptr;
    QTreeView* tree_ = nullptr;
    NameCharsetChooser* charsetChooser_ = nullptr;
    QLineEdit* findField_ = nullptr;
    SatelliteTreeFind* find_ = nullptr;
    QPushButton* editSatelliteButton_ = nullptr;
    QGroupBox* gridFrame_ = nullptr;
    QPushButton* addButton_ = nullptr;
    QPushButton* deleteButton_ = nullptr;
    QPushButton* printButton_ = nullptr;
    QPushButton* exitButton_ = nullptr;
    ChannelGrid* grid_ = nullptr;
    QPushButton* audioButton_ = nullptr;
    QPushButton* channelListButton_ = nullptr;
    QSplitter* splitter_ = nullptr;
    WindowMemory* memory_ = nullptr;

    int readResult_ = 0;
    // What the grid shows; the grid's commit and its rows read it.
    GridSelection selection_;
    std::unique_ptr<ChannelGridCommit> gridCommit_;
    std::unique_ptr<ChannelGridRows> gridRows_;
    EditorFileCommands* files_ = nullptr;
    EditorUndoReplay* undoReplay_ = nullptr;
    // Off while the editor itself moves the tree's selection.
    bool followSelection_ = true;
    bool closing_ = false;
};
