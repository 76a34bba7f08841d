#include "editor/document_steps.h"

#include "channels/channel_database.h"
#include "editor/channel_document.h"

#include <limits>
#include <unordered_map>

namespace {

// A node by its rows from the top of the tree; -1 below the node's own level.
struct NodePath {
    int satellite = -1;
    int transponder = -1;
    int program = -1;
};

NodePath pathOf(const ChannelDatabase& database, const TransponderNode* transponder) {
    const SatelliteNode* satellite = transponder->satellite();
    return {database.indexOf(satellite), satellite->indexOf(transponder), -1};
}

NodePath pathOf(const ChannelDatabase& database, const ProgramNode* program) {
    NodePath path = pathOf(database, program->transponder());
    path.program = program->transponder()->indexOf(program);
    return path;
}

SatelliteNode* satelliteAt(ChannelDocument& document, const NodePath& path) {
    return document.database().satelliteAt(path.satellite);
}

TransponderNode* transponderAt(ChannelDocument& document, const NodePath& path) {
    SatelliteNode* satellite = satelliteAt(document, path);
    return satellite ? satellite->transponderAt(path.transponder) : nullptr;
}

ProgramNode* programAt(ChannelDocument& document, const NodePath& path) {
    TransponderNode* transponder = transponderAt(document, path);
    return transponder ? transponder->programAt(path.program) : nullptr;
}

class TransponderAdditionStep : public DocumentStep {
public:
    TransponderAdditionStep(NodePath path, Transponder record) : path_(path), record_(record) {}
    void undo(ChannelDocument& document) override {
        SatelliteNode* satellite = satelliteAt(document, path_);
        if (TransponderNode* added = transponderAt(document, path_))
            document.apply(TransponderRemoval{satellite, added});
    }
    void redo(ChannelDocument& document) override {
        document.apply(TransponderAddition{satelliteAt(document, path_), record_});
    }

private:
    NodePath path_;
    Transponder record_;
};

class ProgramAdditionStep : public DocumentStep {
public:
    ProgramAdditionStep(NodePath path, Program record) : path_(path), record_(std::move(record)) {}
    void undo(ChannelDocument& document) override {
        if (ProgramNode* added = programAt(document, path_))
            document.apply(ProgramRemoval{added->transponder(), added});
    }
    void redo(ChannelDocument& document) override {
        document.apply(ProgramAddition{transponderAt(document, path_), record_});
    }

private:
    NodePath path_;
    Program record_;
};

class TransponderRemovalStep : public DocumentStep {
public:
    TransponderRemovalStep(NodePath path, Transponder record, std::vector<RestoredProgram> programs)
        : path_(path), record_(record), programs_(std::move(programs)) {}
    void undo(ChannelDocument& document) override {
        document.restoreTransponder(satelliteAt(document, path_), path_.transponder, record_,
                                    programs_);
    }
    void redo(ChannelDocument& document) override {
        if (TransponderNode* transponder = transponderAt(document, path_))
            document.apply(TransponderRemoval{transponder->satellite(), transponder});
    }

private:
    NodePath path_;
    Transponder record_;
    std::vector<RestoredProgram> programs_;
};

class ProgramRemovalStep : public DocumentStep {
public:
    ProgramRemovalStep(NodePath path, RestoredProgram program)
        : path_(path), program_(std::move(program)) {}
    void undo(ChannelDocument& document) override {
        document.restoreProgram(transponderAt(document, path_), path_.program, program_);
    }
    void redo(ChannelDocument& document) override {
        if (ProgramNode* program = programAt(document, path_))
            document.apply(ProgramRemoval{program->transponder(), program});
    }

private:
    NodePath path_;
    RestoredProgram program_;
};

class ProgramsRemovalStep : public DocumentStep {
public:
    // In tree order, with the rows and places from before the removal.
    ProgramsRemovalStep(std::vector<NodePath> paths, std::vector<RestoredProgram> programs)
        : paths_(std::move(paths)), programs_(std::move(programs)) {}
    void undo(ChannelDocument& document) override {
        std::vector<ProgramReturn> returns;
        returns.reserve(programs_.size());
        for (std::size_t i = 0; i < programs_.size(); ++i)
            returns.push_back(
                {transponderAt(document, paths_[i]), paths_[i].program, &programs_[i]});
        document.restorePrograms(returns);
    }
    void redo(ChannelDocument& document) override {
        ProgramsRemoval removal;
        removal.programs.reserve(paths_.size());
        for (const NodePath& path : paths_)
            if (ProgramNode* program = programAt(document, path))
                removal.programs.push_back(program);
        document.apply(removal);
    }

private:
    std::vector<NodePath> paths_;
    std::vector<RestoredProgram> programs_;
};

class TransponderEditStep : public DocumentStep {
public:
    TransponderEditStep(NodePath path, Transponder before, Transponder after)
        : path_(path), before_(before), after_(after) {}
    void undo(ChannelDocument& document) override {
        if (TransponderNode* node = transponderAt(document, path_))
            document.apply(TransponderEdit{node, after_, before_});
    }
    void redo(ChannelDocument& document) override {
        if (TransponderNode* node = transponderAt(document, path_))
            document.apply(TransponderEdit{node, before_, after_});
    }

private:
    NodePath path_;
    Transponder before_;
    Transponder after_;
};

class ProgramEditStep : public DocumentStep {
public:
    ProgramEditStep(NodePath path, Program before, Program after, bool kindChanged,
                    ProgramPlaces placesBefore)
        : path_(path), before_(std::move(before)), after_(std::move(after)),
          kindChanged_(kindChanged), placesBefore_(placesBefore) {}
    void undo(ChannelDocument& document) override {
        ProgramNode* node = programAt(document, path_);
        if (!node)
            return;
        document.apply(ProgramEdit{node, after_, before_});
        // Going back to the other list appends; the program returns to where it stood.
        if (kindChanged_)
            document.placeProgram(node, placesBefore_);
    }
    void redo(ChannelDocument& document) override {
        if (ProgramNode* node = programAt(document, path_))
            document.apply(ProgramEdit{node, before_, after_});
    }

private:
    NodePath path_;
    Program before_;
    Program after_;
    bool kindChanged_;
    ProgramPlaces placesBefore_;
};

class SatelliteStep : public DocumentStep {
public:
    SatelliteStep(NodePath path, SatelliteState before, SatelliteState after)
        : path_(path), before_(std::move(before)), after_(std::move(after)) {}
    void undo(ChannelDocument& document) override {
        document.restoreSatellite(satelliteAt(document, path_), before_);
    }
    void redo(ChannelDocument& document) override {
        document.restoreSatellite(satelliteAt(document, path_), after_);
    }

private:
    NodePath path_;
    SatelliteState before_;
    SatelliteState after_;
};

class ChannelListStep : public DocumentStep {
public:
    ChannelListStep(ChannelListState before, ChannelListState after)
        : before_(std::move(before)), after_(std::move(after)) {}
    void undo(ChannelDocument& document) override { document.restoreChannelLists(before_); }
    void redo(ChannelDocument& document) override { document.restoreChannelLists(after_); }

private:
    ChannelListState before_;
    ChannelListState after_;
};

// Notes where each program of `slot` (its entry in `restored`) stands in the channel lists
// and the favourite groups: one pass over each list for all of them.
void notePlaces(const ChannelDatabase& database,
                const std::unordered_map<const ProgramNode*, std::size_t>& slot,
                std::vector<RestoredProgram>& restored) {
    const auto note = [&](const std::vector<ProgramNode*>& list, auto setPlace) {
        for (std::size_t i = 0; i < list.size(); ++i)
            if (const auto it = slot.find(list[i]); it != slot.end())
                setPlace(restored[it->second].places, int(i));
    };
    const auto listPlace = [](ProgramPlaces& places, int i) { places.listPosition = i; };
    note(database.tvList, listPlace);
    note(database.radioList, listPlace);
    for (std::size_t g = 0; g < database.favoriteGroups.size(); ++g) {
        const auto memberPlace = [g](ProgramPlaces& places, int i) {
            places.memberPositions[g] = i;
        };
        note(database.favoriteGroups[g].tvMembers, memberPlace);
        note(database.favoriteGroups[g].radioMembers, memberPlace);
    }
}

} // namespace

std::unique_ptr<DocumentStep> transponderRemovalStep(const ChannelDatabase& database,
                                                     const TransponderNode* transponder) {
    // One pass over each list for all of the transponder's programs.
    std::vector<RestoredProgram> programs;
    programs.reserve(std::size_t(transponder->programCount()));
    std::unordered_map<const ProgramNode*, std::size_t> slot;
    for (const auto& program : transponder->programs()) {
        slot.emplace(program.get(), programs.size());
        programs.push_back({program->record(), {}});
    }
    notePlaces(database, slot, programs);
    return std::make_unique<TransponderRemovalStep>(pathOf(database, transponder),
                                                    transponder->record(), std::move(programs));
}

std::unique_ptr<DocumentStep> programRemovalStep(const ChannelDatabase& database,
                                                 const ProgramNode* program) {
    return std::make_unique<ProgramRemovalStep>(
        pathOf(database, program), RestoredProgram{program->record(), database.placesOf(program)});
}

std::unique_ptr<DocumentStep> programsRemovalStep(const ChannelDatabase& database,
                                                  const std::vector<ProgramNode*>& programs) {
    std::unordered_map<const ProgramNode*, std::size_t> slot;
    constexpr std::size_t notFound = std::numeric_limits<std::size_t>::max();
    slot.reserve(programs.size());
    for (const ProgramNode* program : programs)
        slot.emplace(program, notFound);
    std::vector<NodePath> paths;
    std::vector<RestoredProgram> restored;
    for (int s = 0; s < database.satelliteCount(); ++s) {
        const SatelliteNode* satellite = database.satelliteAt(s);
        for (int t = 0; t < satellite->transponderCount(); ++t) {
            const TransponderNode* transponder = satellite->transponderAt(t);
            for (int p = 0; p < transponder->programCount(); ++p) {
                const ProgramNode* program = transponder->programAt(p);
                if (const auto it = slot.find(program); it != slot.end()) {
                    it->second = restored.size();
                    paths.push_back({s, t, p});
                    restored.push_back({program->record(), {}});
                }
            }
        }
    }
    // Pointers not found in the tree take no place (and are never read).
    std::erase_if(slot, [](const auto& entry) { return entry.second == notFound; });
    notePlaces(database, slot, restored);
    return std::make_unique<ProgramsRemovalStep>(std::move(paths), std::move(restored));
}

std::unique_ptr<DocumentStep> transponderAdditionStep(const ChannelDatabase& database,
                                                      const TransponderNode* added) {
    return std::make_unique<TransponderAdditionStep>(pathOf(database, added), added->record());
}

std::unique_ptr<DocumentStep> programAdditionStep(const ChannelDatabase& database,
                                                  const ProgramNode* added) {
    return std::make_unique<ProgramAdditionStep>(pathOf(database, added), added->record());
}

std::unique_ptr<DocumentStep> transponderEditStep(const ChannelDatabase& database,
                                                  const TransponderNode* transponder,
                                                  const Transponder& before) {
    return std::make_unique<TransponderEditStep>(pathOf(database, transponder), before,
                                                 transponder->record());
}

std::unique_ptr<DocumentStep> programEditStep(const ChannelDatabase& database,
                                              const ProgramNode* program, const Program& before,
                                              bool wasTv, const ProgramPlaces& placesBefore) {
    return std::make_unique<ProgramEditStep>(pathOf(database, program), before, program->record(),
                                             wasTv != program->isTv(), placesBefore);
}

std::unique_ptr<DocumentStep> satelliteStep(const ChannelDatabase& database,
                                            const SatelliteNode* satellite, SatelliteState before,
                                            SatelliteState after) {
    return std::make_unique<SatelliteStep>(NodePath{database.indexOf(satellite), -1, -1},
                                           std::move(before), std::move(after));
}

std::unique_ptr<DocumentStep> channelListStep(ChannelListState before, ChannelListState after) {
    return std::make_unique<ChannelListStep>(std::move(before), std::move(after));
}
