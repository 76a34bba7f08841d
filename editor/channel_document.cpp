#include "editor/channel_document.h"

#include "channels/backup_file.h"
#include "channels/channel_file_messages.h"
#include "channels/channel_file_reader.h"
#include "channels/channel_file_writer.h"
#include "channels/name_codec.h"
#include "editor/document_steps.h"

#include <QFileInfo>

#include <algorithm>
#include <unordered_map>

ChannelDocument::ChannelDocument(QObject* parent) : QObject(parent) {}

ChannelDocument::~ChannelDocument() = default;

void ChannelDocument::setModified(bool modified) {
    if (modified_ == modified)
        return;
    modified_ = modified;
    emit modifiedChanged(modified_);
}

void ChannelDocument::setPath(const QString& path) {
    path_ = path;
    emit pathChanged(path_);
}

int ChannelDocument::load(const QString& path) {
    emit aboutToReset();
    const int result = readChannelFile(database_, path);
    emit reset();
    if (result == 0) {
        path_ = path;
        emit pathChanged(path_);
    }
    return result;
}

QString ChannelDocument::save() {
    // Loading again does not start over: the backup keeps the file as it was before this
    // window first wrote it, not the edits this window saved since.
    const QString file = QFileInfo(path_).absoluteFilePath();
    const bool kept = keptFiles_.contains(file);
    if (!kept) {
        const int backup = BackupFile::keepPrevious(path_);
        if (backup < 0)
            return BackupFile::failureMessage(backup, path_);
    }
    const int result = writeChannelFile(database_, path_);
    // A file that was backed up, or that this window created, needs no backup again. One that
    // did not exist and was not created still has nothing to keep.
    if (!kept && (result == 0 || QFileInfo::exists(file)))
        keptFiles_.insert(file);
    if (result != 0)
        return channelWriteResultText(result);
    setModified(false);
    return {};
}

QString ChannelDocument::saveAs(const QString& path) {
    path_ = path;
    emit pathChanged(path_);
    return save();
}

void ChannelDocument::clear() {
    emit aboutToReset();
    database_.clear();
    emit reset();
}

TransponderNode* ChannelDocument::apply(const TransponderAddition& change) {
    if (database_.indexOf(change.satellite) < 0 ||
        database_.transponderTotal() >= ChannelLimits::maxTransponders)
        return nullptr;
    const int row = change.satellite->transponderCount();
    emit transponderAboutToBeInserted(change.satellite, row);
    TransponderNode* node = database_.appendTransponder(change.satellite, change.record);
    emit transponderInserted(change.satellite, row);
    if (node) {
        setModified(true);
        if (recording())
            record(transponderAdditionStep(database_, node));
    }
    return node;
}

ProgramNode* ChannelDocument::apply(const ProgramAddition& change) {
    // Checked before the views hear of the insertion, so that it cannot fail after it.
    const TransponderNode* transponder = change.transponder;
    const bool ours = transponder && database_.indexOf(transponder->satellite()) >= 0 &&
                      transponder->satellite()->indexOf(transponder) >= 0;
    const auto& list = change.record.hasVideo() ? database_.tvList : database_.radioList;
    if (!ours || list.size() >= std::size_t(ChannelLimits::maxProgramsPerList))
        return nullptr;
    const int row = change.transponder->programCount();
    emit programAboutToBeInserted(change.transponder, row);
    ProgramNode* node = database_.appendProgram(change.transponder, change.record);
    emit programInserted(change.transponder, row);
    if (node) {
        setModified(true);
        if (recording())
            record(programAdditionStep(database_, node));
    }
    return node;
}

bool ChannelDocument::apply(const TransponderRemoval& change) {
    const int row = change.satellite ? change.satellite->indexOf(change.transponder) : -1;
    if (row < 0 || change.transponder->satellite() != change.satellite)
        return false;
    std::unique_ptr<DocumentStep> step;
    if (recording())
        step = transponderRemovalStep(database_, change.transponder);
    emit transponderAboutToBeRemoved(change.satellite, row);
    const bool removed = database_.deleteTransponder(change.satellite, change.transponder);
    emit transponderRemoved(change.satellite, row);
    if (removed) {
        setModified(true);
        if (step)
            record(std::move(step));
    }
    return removed;
}

bool ChannelDocument::apply(const ProgramRemoval& change) {
    const int row = change.transponder ? change.transponder->indexOf(change.program) : -1;
    if (row < 0 || change.program->transponder() != change.transponder)
        return false;
    std::unique_ptr<DocumentStep> step;
    if (recording())
        step = programRemovalStep(database_, change.program);
    emit programAboutToBeRemoved(change.transponder, row);
    const bool removed = database_.deleteProgram(change.transponder, change.program);
    emit programRemoved(change.transponder, row);
    if (removed) {
        setModified(true);
        if (step)
            record(std::move(step));
    }
    return removed;
}

int ChannelDocument::apply(const ProgramsRemoval& change) {
    std::unique_ptr<DocumentStep> step;
    if (recording())
        step = programsRemovalStep(database_, change.programs);
    const ProgramRowObserver observer{
        [this](TransponderNode* transponder, int row) {
            emit programAboutToBeRemoved(transponder, row);
        },
        [this](TransponderNode* transponder, int row) { emit programRemoved(transponder, row); }};
    const int removed = database_.deletePrograms(change.programs, observer);
    if (removed > 0) {
        setModified(true);
        if (step)
            record(std::move(step));
    }
    return removed;
}

void ChannelDocument::apply(const TransponderEdit& change) {
    TransponderNode* node = change.transponder;
    if (!node || node->record() == change.after)
        return;
    const Transponder before = node->record();
    static_cast<Transponder&>(*node) = change.after;
    setModified(true);
    if (recording())
        record(transponderEditStep(database_, node, before));
    emit transponderChanged(node);
}

QString ChannelDocument::apply(const ProgramEdit& change) {
    ProgramNode* node = change.program;
    if (!node || node->record() == change.after)
        return {};
    const Program before = node->record();
    const bool wasTv = node->isTv();
    // Where the program stands, should the edit move it to the other list.
    ProgramPlaces placesBefore;
    if (recording() && change.after.hasVideo() != wasTv)
        placesBefore = database_.placesOf(node);
    QString refusal;
    // The database refuses a move into a full list and then leaves the PID as it was.
    if (database_.setVideoPid(node, change.after.videoPid) ==
        ChannelDatabase::VideoPidResult::listFull)
        refusal = QStringLiteral("The %1 list already holds %2 programs, the most it can hold, "
                                 "so the video PID of \"%3\" stays as it was.")
                      .arg(change.after.hasVideo() ? QStringLiteral("TV") : QStringLiteral("radio"))
                      .arg(ChannelLimits::maxProgramsPerList)
                      .arg(NameCodec::toText(change.after.name));
    // The fields the editor's windows change; list places and favourite marks are kept by the
    // database.
    node->name = change.after.name;
    node->serviceId = change.after.serviceId;
    node->pcrPid = change.after.pcrPid;
    node->teletextPid = change.after.teletextPid;
    node->programFlags = change.after.programFlags;
    node->pmtPid = change.after.pmtPid;
    node->extraWord = change.after.extraWord;
    node->audioSelection = change.after.audioSelection;
    node->audioCount = change.after.audioCount;
    node->audioTracks = change.after.audioTracks;
    setModified(true);
    if (recording() && !(node->record() == before))
        record(programEditStep(database_, node, before, wasTv, placesBefore));
    emit programChanged(node);
    return refusal;
}

void ChannelDocument::settleGroupCount() {
    // Without the favourites section a file has no groups; the writer would drop them.
    if (!(database_.headerFlags & ChannelDatabase::favoritesFlag))
        database_.favoriteGroupCount = 0;
}

void ChannelDocument::satelliteEdited(SatelliteNode* satellite, const SatelliteState& before) {
    setModified(true);
    settleGroupCount();
    if (recording())
        record(satelliteStep(database_, satellite, before, satelliteState(satellite)));
    emit satelliteChanged(satellite);
}

void ChannelDocument::programEdited(ProgramNode* program, const Program& before) {
    setModified(true);
    // A window that changed the video PID in place left the program in its old list; it moves
    // now, within this step, rather than behind the user's back at the next save.
    const bool wasTv = program->isTv();
    ProgramPlaces placesBefore;
    if (program->hasVideo() != wasTv) {
        placesBefore = database_.placesOf(program);
        if (database_.setVideoPid(program, program->videoPid) ==
            ChannelDatabase::VideoPidResult::listFull)
            program->videoPid = before.videoPid;
    }
    if (recording() && !(program->record() == before))
        record(programEditStep(database_, program, before, wasTv, placesBefore));
    emit programChanged(program);
}

void ChannelDocument::channelListsEdited(const ChannelListState& before) {
    setModified(true);
    settleGroupCount();
    if (recording())
        record(channelListStep(before, channelListState()));
}

void ChannelDocument::record(std::unique_ptr<DocumentStep> step) {
    recorder_(std::move(step));
}

void ChannelDocument::undo(DocumentStep& step) {
    replaying_ = true;
    step.undo(*this);
    replaying_ = false;
}

void ChannelDocument::redo(DocumentStep& step) {
    replaying_ = true;
    step.redo(*this);
    replaying_ = false;
}

SatelliteState ChannelDocument::satelliteState(const SatelliteNode* satellite) const {
    SatelliteState state;
    if (satellite)
        state.record = satellite->record();
    state.lnbConfigs = database_.lnbConfigs;
    state.lnbConfigCount = database_.lnbConfigCount;
    state.headerFlags = database_.headerFlags;
    return state;
}

void ChannelDocument::restoreSatellite(SatelliteNode* satellite, const SatelliteState& state) {
    if (!satellite)
        return;
    static_cast<Satellite&>(*satellite) = state.record;
    database_.lnbConfigs = state.lnbConfigs;
    database_.lnbConfigCount = state.lnbConfigCount;
    database_.headerFlags = state.headerFlags;
    setModified(true);
    emit satelliteChanged(satellite);
}

ChannelListState ChannelDocument::channelListState() const {
    const std::vector<ProgramNode*> programs = database_.programsInTreeOrder();
    std::unordered_map<const ProgramNode*, int> number;
    number.reserve(programs.size());
    ChannelListState state;
    state.favoriteMasks.reserve(programs.size());
    for (std::size_t i = 0; i < programs.size(); ++i) {
        number.emplace(programs[i], int(i));
        state.favoriteMasks.push_back(programs[i]->favoriteMask);
    }
    const auto numbered = [&number](const std::vector<ProgramNode*>& list) {
        std::vector<int> numbers;
        numbers.reserve(list.size());
        for (const ProgramNode* program : list)
            if (const auto it = number.find(program); it != number.end())
                numbers.push_back(it->second);
        return numbers;
    };
    state.tvList = numbered(database_.tvList);
    state.radioList = numbered(database_.radioList);
    for (std::size_t g = 0; g < state.groups.size(); ++g) {
        const FavoriteGroup& group = database_.favoriteGroups[g];
        state.groups[g] = {group.name, numbered(group.tvMembers), numbered(group.radioMembers)};
    }
    state.favoriteGroupCount = database_.favoriteGroupCount;
    state.headerFlags = database_.headerFlags;
    return state;
}

void ChannelDocument::restoreChannelLists(const ChannelListState& state) {
    const std::vector<ProgramNode*> programs = database_.programsInTreeOrder();
    // The hierarchy is the one the state was taken from; anything else is left alone.
    if (programs.size() != state.favoriteMasks.size())
        return;
    const auto nodes = [&programs](const std::vector<int>& numbers) {
        std::vector<ProgramNode*> list;
        list.reserve(numbers.size());
        for (const int number : numbers)
            list.push_back(programs[std::size_t(number)]);
        return list;
    };
    database_.tvList = nodes(state.tvList);
    database_.radioList = nodes(state.radioList);
    for (std::size_t i = 0; i < programs.size(); ++i)
        programs[i]->favoriteMask = state.favoriteMasks[i];
    for (std::size_t g = 0; g < state.groups.size(); ++g) {
        FavoriteGroup& group = database_.favoriteGroups[g];
        group.name = state.groups[g].name;
        group.tvMembers = nodes(state.groups[g].tvMembers);
        group.radioMembers = nodes(state.groups[g].radioMembers);
    }
    database_.favoriteGroupCount = state.favoriteGroupCount;
    database_.headerFlags = state.headerFlags;
    setModified(true);
}

ProgramNode* ChannelDocument::restoreProgram(TransponderNode* transponder, int row,
                                             const RestoredProgram& program) {
    // Everything that can refuse the insertion is checked before the views hear of it.
    const bool tv = program.record.hasVideo();
    if (!transponder || database_.indexOf(transponder->satellite()) < 0 || row < 0 ||
        row > transponder->programCount() || !hasRoomFor(tv ? 1 : 0, tv ? 0 : 1))
        return nullptr;
    emit programAboutToBeInserted(transponder, row);
    ProgramNode* node = database_.insertProgram(transponder, row, program);
    emit programInserted(transponder, row);
    if (node)
        setModified(true);
    return node;
}

std::vector<ProgramNode*>
ChannelDocument::restorePrograms(const std::vector<ProgramReturn>& programs) {
    const ProgramRowObserver observer{
        [this](TransponderNode* transponder, int row) {
            emit programAboutToBeInserted(transponder, row);
        },
        [this](TransponderNode* transponder, int row) { emit programInserted(transponder, row); }};
    std::vector<ProgramNode*> added;
    if (database_.insertPrograms(programs, observer, &added) && !added.empty())
        setModified(true);
    return added;
}

TransponderNode* ChannelDocument::restoreTransponder(SatelliteNode* satellite, int row,
                                                     const Transponder& transponder,
                                                     const std::vector<RestoredProgram>& programs) {
    const auto tvPrograms = std::count_if(programs.begin(), programs.end(),
                                          [](const auto& p) { return p.record.hasVideo(); });
    if (database_.indexOf(satellite) < 0 || row < 0 || row > satellite->transponderCount() ||
        database_.transponderTotal() >= ChannelLimits::maxTransponders ||
        !hasRoomFor(int(tvPrograms), int(programs.size() - std::size_t(tvPrograms))))
        return nullptr;
    emit transponderAboutToBeInserted(satellite, row);
    TransponderNode* node = database_.insertTransponder(satellite, row, transponder, programs);
    emit transponderInserted(satellite, row);
    if (node)
        setModified(true);
    return node;
}

bool ChannelDocument::hasRoomFor(int tvPrograms, int radioPrograms) const {
    const auto limit = std::size_t(ChannelLimits::maxProgramsPerList);
    return database_.tvList.size() + std::size_t(tvPrograms) <= limit &&
           database_.radioList.size() + std::size_t(radioPrograms) <= limit;
}

void ChannelDocument::placeProgram(ProgramNode* program, const ProgramPlaces& places) {
    database_.placeProgram(program, places);
    setModified(true);
}
