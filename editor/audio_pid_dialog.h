#pragma once

#include <QDialog>

#include <cstdint>

class GridCtrl;
class LanguageCellChooser;
struct AudioTrack;
struct Program;

// The "Audio" window: the audio tracks of one program in a grid, one row per track with its
// PID, language code and AC3 mark. "Add" appends an empty row (at most 26 tracks), "Delete"
// removes the selected rows. OK writes the tracks into the program and closes with Accepted
// only when that changed the record; otherwise it closes with Rejected, as Cancel does.
//
// A row whose PID cell is empty, -1 or 65535 (0xffff) is dropped; any other PID outside
// 0x0000-0x1fff, and a PID or AC3 cell that is not wholly a number, is refused with a message. A
// cell the user left as shown keeps the stored value behind it, also where the grid cannot show all
// of it (PID bits 13 and 14, a language without a code).
class AudioPidDialog : public QDialog {
    Q_OBJECT

public:
    explicit AudioPidDialog(Program& program, QWidget* parent = nullptr);

    // The grid's columns.
    static constexpr int numberColumn = 0;
    static constexpr int pidColumn = 1;
    static constexpr int languageColumn = 2;
    static constexpr int ac3Column = 3;

    static QString pidRangeMessage();
    static QString ac3Message();

    GridCtrl* grid() const { return grid_; }
    // The language cells are chosen from a list of the known codes, never typed.
    LanguageCellChooser* languageChooser() const { return languageChooser_; }

    void addRow();
    void deleteSelectedRows();

public slots:
    void accept() override;

private:
    // The texts a stored track is shown with.
    static QString pidText(const AudioTrack& track);
    static QString languageText(const AudioTrack& track);
    static QString ac3Text(const AudioTrack& track);
    // The stored track a grid row was filled from, or nullptr for an added row.
    const AudioTrack* shownTrack(int row) const;
    // Shows the message and leaves the window open with the cell focused.
    void refuseCell(int row, int column, const QString& message);

    Program& program_;
    GridCtrl* grid_ = nullptr;
    LanguageCellChooser* languageChooser_ = nullptr;
};
