#pragma once

#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>

class QUndoCommand;

#include "editor/channel_document.h"
class QUndoStack;

// The editor's undo history: every step the document records goes onto a QUndoStack. The
// stack's clean index is the save point, so the document counts as modified exactly while the
// history stands elsewhere. Changes made together (several rows deleted, a window closed with
// OK) are gathered into one step between beginStep and endStep.
class EditHistory : public QObject {
    Q_OBJECT
public:
    explicit EditHistory(ChannelDocument& document, QObject* parent = nullptr);
    ~EditHistory() override;

    QUndoStack& stack() const { return *stack_; }
    bool canUndo() const;
    bool canRedo() const;
    void undo();
    void redo();
    // The data has just been saved, or loaded (which also forgets every step).
    void markSaved();
    void clear();

    void beginStep();
    void endStep();
    // A change of the windows' own state that belongs to the step being gathered (it has
    // already been made); `apply` gets true to make it again, false to take it back.
    void addViewChange(std::function<void(bool)> apply);

private:
    void push(std::unique_ptr<QUndoCommand> command);

    // The history may outlive the document when both belong to the same window.
    QPointer<ChannelDocument> document_;
    QUndoStack* stack_ = nullptr;
    int openSteps_ = 0;
    bool macroOpen_ = false;
};
