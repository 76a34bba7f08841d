#pragma once

class ChannelDocument;

// One change of the channel data as it can be taken back and made again. The document hands
// one out for every change it applies; a step is replayed only on the data as it was right
// after (undo) or right before (redo) the change, so it names nodes by their place in the
// tree rather than by pointer (undoing a deletion makes new nodes).
class DocumentStep {
public:
    virtual ~DocumentStep() = default;
    virtual void undo(ChannelDocument& document) = 0;
    virtual void redo(ChannelDocument& document) = 0;
};
