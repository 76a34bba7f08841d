#pragma once

#include "channels/channel_database.h"
#include "editor/channel_changes.h"
#include "editor/document_step.h"

#include <QObject>
#include <QSet>
#include <QString>

#include <functional>
#include <memory>

// The channel data the editor works on: the database, the file it came from and whether it
// has changed since. Every change of the data goes through here, so the views hear of it
// (signals below) and the lists stay consistent. Windows that edit a record in place (the
// satellite and audio windows, the channel list) report it afterwards.
class ChannelDocument : public QObject {
    Q_OBJECT
public:
    explicit ChannelDocument(QObject* parent = nullptr);
    ~ChannelDocument() override;

    ChannelDatabase& database() { return database_; }
    const ChannelDatabase& database() const { return database_; }
    QString path() const { return path_; }
    // The file the data belongs to, before it has been read.
    void setPath(const QString& path);
    bool isModified() const { return modified_; }
    void setModified(bool modified);

    // Reads the file into the database (a result of readChannelFile). On success the path
    // becomes `path`.
    int load(const QString& path);
    // Writes the database to path() and clears the modified state; returns an empty text, or
    // the message for the user when the backup or the file could not be written (the data then
    // stays modified and the file on disk is left as it was). The first save over an existing
    // file keeps its previous content as a backup first; later saves of this document over
    // the same file do not, so the backup holds the file as it was before this document
    // first wrote it, whatever was loaded in between.
    QString save();
    // The path becomes `path` (also if writing fails), then as save().
    QString saveAs(const QString& path);
    // Empties the database.
    void clear();

    TransponderNode* apply(const TransponderAddition& change);
    ProgramNode* apply(const ProgramAddition& change);
    bool apply(const TransponderRemoval& change);
    bool apply(const ProgramRemoval& change);
    // Returns the number of programs removed (programs not of this database are left out).
    int apply(const ProgramsRemoval& change);
    void apply(const TransponderEdit& change);
    // A change of the video PID between none and a PID moves the program between the TV and
    // radio lists. When the other list is full the video PID stays as it was and the reason
    // is returned; the other fields are applied all the same.
    QString apply(const ProgramEdit& change);

    // Reports from windows that edited records in place, with the state from before they
    // opened. What the file writer would otherwise settle at the next save (a program's list
    // after its video PID changed, the group count without the favourites section) is settled
    // here, as part of the step, so that saving never changes the data in memory.
    void satelliteEdited(SatelliteNode* satellite, const SatelliteState& before);
    void programEdited(ProgramNode* program, const Program& before);
    void channelListsEdited(const ChannelListState& before);

    SatelliteState satelliteState(const SatelliteNode* satellite) const;
    ChannelListState channelListState() const;

    // Every change applied above is also handed to the recorder, when one is set, as a step
    // that can take it back. Steps replayed through undo() and redo() are not recorded again.
    using StepRecorder = std::function<void(std::unique_ptr<DocumentStep>)>;
    void setStepRecorder(StepRecorder recorder) { recorder_ = std::move(recorder); }
    void undo(DocumentStep& step);
    void redo(DocumentStep& step);

    // The reverse operations the steps need; the views hear of them as of any other change.
    ProgramNode* restoreProgram(TransponderNode* transponder, int row,
                                const RestoredProgram& program);
    // Puts removed programs back at their rows and places (ChannelDatabase::insertPrograms).
    std::vector<ProgramNode*> restorePrograms(const std::vector<ProgramReturn>& programs);
    TransponderNode* restoreTransponder(SatelliteNode* satellite, int row,
                                        const Transponder& transponder,
                                        const std::vector<RestoredProgram>& programs);
    void placeProgram(ProgramNode* program, const ProgramPlaces& places);
    void restoreSatellite(SatelliteNode* satellite, const SatelliteState& state);
    void restoreChannelLists(const ChannelListState& state);

signals:
    void aboutToReset();
    void reset();
    void transponderAboutToBeInserted(SatelliteNode* satellite, int row);
    void transponderInserted(SatelliteNode* satellite, int row);
    void transponderAboutToBeRemoved(SatelliteNode* satellite, int row);
    void transponderRemoved(SatelliteNode* satellite, int row);
    void programAboutToBeInserted(TransponderNode* transponder, int row);
    void programInserted(TransponderNode* transponder, int row);
    void programAboutToBeRemoved(TransponderNode* transponder, int row);
    void programRemoved(TransponderNode* transponder, int row);
    void satelliteChanged(SatelliteNode* satellite);
    void transponderChanged(TransponderNode* transponder);
    void programChanged(ProgramNode* program);
    void modifiedChanged(bool modified);
    void pathChanged(const QString& path);

private:
    void settleGroupCount();
    // Whether the channel lists can take that many more programs of each kind.
    bool hasRoomFor(int tvPrograms, int radioPrograms) const;
    bool recording() const { return recorder_ && !replaying_; }
    void record(std::unique_ptr<DocumentStep> step);

    ChannelDatabase database_;
    QString path_;
    // The files (absolute paths) this document has backed up or created.
    QSet<QString> keptFiles_;
    bool modified_ = false;
    StepRecorder recorder_;
    bool replaying_ = false;
};
