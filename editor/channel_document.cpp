#include "editor/channel_document.h"

#include "channels/backup_file.h"
#include "channels/channel_file_messages.h"
#include "channels/channel_file_reader.h"
#include "channels/channel_file_writer.h"
#include "channels/name_codec.h"

#include <QFileInfo>

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
        openedPath_ = QFileInfo(path).absoluteFilePath();
        backupWritten_ = false;
        emit pathChanged(path_);
    }
    return result;
}

bool ChannelDocument::isOpenedFile(const QString& path) const {
    return !openedPath_.isEmpty() && QFileInfo(path).absoluteFilePath() == openedPath_;
}

QString ChannelDocument::save() {
    if (!backupWritten_ && isOpenedFile(path_)) {
        const int backup = BackupFile::keepPrevious(path_);
        if (backup < 0)
            return BackupFile::failureMessage(backup, path_);
        backupWritten_ = true;
    }
    const int result = writeChannelFile(database_, path_);
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
    if (node)
        setModified(true);
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
    if (node)
        setModified(true);
    return node;
}

bool ChannelDocument::apply(const TransponderRemoval& change) {
    const int row = change.satellite ? change.satellite->indexOf(change.transponder) : -1;
    if (row < 0)
        return false;
    emit transponderAboutToBeRemoved(change.satellite, row);
    const bool removed = database_.deleteTransponder(change.satellite, change.transponder);
    emit transponderRemoved(change.satellite, row);
    if (removed)
        setModified(true);
    return removed;
}

bool ChannelDocument::apply(const ProgramRemoval& change) {
    const int row = change.transponder ? change.transponder->indexOf(change.program) : -1;
    if (row < 0)
        return false;
    emit programAboutToBeRemoved(change.transponder, row);
    const bool removed = database_.deleteProgram(change.transponder, change.program);
    emit programRemoved(change.transponder, row);
    if (removed)
        setModified(true);
    return removed;
}

void ChannelDocument::apply(const TransponderEdit& change) {
    TransponderNode* node = change.transponder;
    if (!node || node->record() == change.after)
        return;
    static_cast<Transponder&>(*node) = change.after;
    setModified(true);
    emit transponderChanged(node);
}

QString ChannelDocument::apply(const ProgramEdit& change) {
    ProgramNode* node = change.program;
    if (!node || node->record() == change.after)
        return {};
    QString refusal;
    const bool toTv = change.after.hasVideo();
    const auto& target = toTv ? database_.tvList : database_.radioList;
    if (toTv != node->isTv() && target.size() >= std::size_t(ChannelLimits::maxProgramsPerList))
        refusal = QStringLiteral("The %1 list already holds %2 programs, the most it can hold, "
                                 "so the video PID of \"%3\" stays as it was.")
                      .arg(toTv ? QStringLiteral("TV") : QStringLiteral("radio"))
                      .arg(ChannelLimits::maxProgramsPerList)
                      .arg(NameCodec::toText(change.after.name));
    else
        database_.setVideoPid(node, change.after.videoPid);
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
    emit programChanged(node);
    return refusal;
}

void ChannelDocument::satelliteEdited(SatelliteNode* satellite) {
    setModified(true);
    emit satelliteChanged(satellite);
}

void ChannelDocument::programEdited(ProgramNode* program) {
    setModified(true);
    emit programChanged(program);
}

void ChannelDocument::channelListsEdited() {
    setModified(true);
}
