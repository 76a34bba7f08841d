#include "editor/edit_history.h"

#include "editor/channel_document.h"

#include <QUndoStack>

namespace {

// Commands arrive already done: the first redo, from QUndoStack::push, does nothing.
class DocumentCommand : public QUndoCommand {
public:
    DocumentCommand(ChannelDocument& document, std::unique_ptr<DocumentStep> step)
        : document_(document), step_(std::move(step)) {}
    void undo() override { document_.undo(*step_); }
    void redo() override {
        if (std::exchange(done_, false))
            return;
        document_.redo(*step_);
    }

private:
    ChannelDocument& document_;
    std::unique_ptr<DocumentStep> step_;
    bool done_ = true;
};

class ViewCommand : public QUndoCommand {
public:
    explicit ViewCommand(std::function<void(bool)> apply) : apply_(std::move(apply)) {}
    void undo() override { apply_(false); }
    void redo() override {
        if (std::exchange(done_, false))
            return;
        apply_(true);
    }

private:
    std::function<void(bool)> apply_;
    bool done_ = true;
};

} // namespace

EditHistory::EditHistory(ChannelDocument& document, QObject* parent)
    : QObject(parent), document_(&document) {
    stack_ = new QUndoStack(this);
    document.setStepRecorder([this, &document](std::unique_ptr<DocumentStep> step) {
        push(std::make_unique<DocumentCommand>(document, std::move(step)));
    });
    const auto followSavePoint = [this] {
        if (document_)
            document_->setModified(!stack_->isClean());
    };
    connect(stack_, &QUndoStack::indexChanged, this, followSavePoint);
    connect(stack_, &QUndoStack::cleanChanged, this, followSavePoint);
}

EditHistory::~EditHistory() {
    if (document_)
        document_->setStepRecorder({});
}

bool EditHistory::canUndo() const {
    return stack_->canUndo();
}

bool EditHistory::canRedo() const {
    return stack_->canRedo();
}

void EditHistory::undo() {
    stack_->undo();
}

void EditHistory::redo() {
    stack_->redo();
}

void EditHistory::markSaved() {
    stack_->setClean();
}

void EditHistory::clear() {
    stack_->clear();
}

void EditHistory::beginStep() {
    ++openSteps_;
}

void EditHistory::endStep() {
    if (openSteps_ == 0 || --openSteps_ > 0)
        return;
    if (std::exchange(macroOpen_, false))
        stack_->endMacro();
}

void EditHistory::addViewChange(std::function<void(bool)> apply) {
    push(std::make_unique<ViewCommand>(std::move(apply)));
}

void EditHistory::push(std::unique_ptr<QUndoCommand> command) {
    // The macro opens with its first change, so that a gathering without changes leaves no
    // empty step behind.
    if (openSteps_ > 0 && !macroOpen_) {
        stack_->beginMacro(QString());
        macroOpen_ = true;
    }
    stack_->push(command.release());
}
