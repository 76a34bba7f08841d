#include "editor/audio_pid_dialog.h"

#include "channels/channel_records.h"
#include "channels/language_code_table.h"
#include "editor/language_cell_chooser.h"
#include "editor/pid_text.h"
#include "widgets/dialog_units.h"
#include "widgets/grid/grid_ctrl.h"
#include "widgets/message_box.h"
#include "widgets/template_button.h"
#include "widgets/window_memory.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>
#include <vector>

namespace {

constexpr int columnWidths[] = {40, 90, 90, 40};
constexpr std::uint16_t pidMask = 0x1FFF;
constexpr std::uint16_t ac3Bit = 0x8000;
// A PID cell that reads as this drops its row.
constexpr long long noTrack = 0xFFFF;

} // namespace

QString AudioPidDialog::pidRangeMessage() {
    return QStringLiteral("Please enter a PID between 0x0000 and 0x1fff, in decimal or as 0x "
                          "followed by hexadecimal digits; an empty cell removes the track.");
}

QString AudioPidDialog::ac3Message() {
    return QStringLiteral("Please enter 1 in the AC3 cell for an AC3 track, and 0 or nothing "
                          "for another.");
}

AudioPidDialog::AudioPidDialog(Program& program, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint),
      program_(program) {
    setWindowTitle(QStringLiteral("Audio"));
    const DialogUnits units(font());

    setSizeGripEnabled(true);
    grid_ = new GridCtrl(this);
    grid_->setObjectName(QStringLiteral("audioGrid"));
    // The columns have fixed pixel widths.
    int columnsWidth = 0;
    for (int width : columnWidths)
        columnsWidth += width;
    const int scrollBar = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    // At its usual size the grid has room for the columns and a vertical scroll bar, no
    // more; it takes whatever room the window gains.
    const int gridWidth = columnsWidth + scrollBar + 2 * grid_->frameWidth();
    const int gridHeight = units.y(140);
    grid_->setMinimumSize(gridWidth / 2, units.y(50));

    const auto addButton = [&](const char* text) {
        return new TemplateButton(QString::fromLatin1(text), 50, 14, this);
    };
    auto* add = addButton("Add");
    auto* remove = addButton("Delete");
    auto* ok = addButton("OK");
    auto* cancel = addButton("Cancel");
    ok->setDefault(true);
    for (QPushButton* button : {add, remove, cancel})
        button->setAutoDefault(false);
    connect(add, &QPushButton::clicked, this, &AudioPidDialog::addRow);
    connect(remove, &QPushButton::clicked, this, &AudioPidDialog::deleteSelectedRows);
    connect(ok, &QPushButton::clicked, this, &AudioPidDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &AudioPidDialog::reject);

    auto* buttons = new QVBoxLayout;
    buttons->setSpacing(units.y(4));
    buttons->addWidget(add);
    buttons->addWidget(remove);
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* window = new QHBoxLayout(this);
    window->setContentsMargins(units.x(7), units.y(7), units.x(7), units.y(7));
    window->setSpacing(units.x(7));
    window->addWidget(grid_, 1);
    window->addLayout(buttons);
    WindowMemory::attach(
        this, QStringLiteral("Audio"),
        QSize(units.x(7) + gridWidth + units.x(7 + 50 + 7), units.y(7) + gridHeight + units.y(7)));

    grid_->setTextBackgroundColour(QColor(240, 240, 240));
    grid_->setEditable(true);
    grid_->setListMode(true);
    grid_->setSelectionAllowed(true);
    grid_->setColumnCount(4);
    grid_->setFixedRowCount(1);
    grid_->setFixedColumnCount(1);
    for (int column = 0; column < 4; ++column)
        grid_->setColumnWidth(column, columnWidths[column]);
    grid_->setRowHeight(0, 16);
    const char* const headers[] = {"", "AUD PID", "Language", "AC3"};
    for (int column = 0; column < 4; ++column) {
        GridItem item;
        item.row = 0;
        item.column = column;
        item.mask = GridMask::text | GridMask::format;
        item.format = GridFormat::centre | GridFormat::verticalCentre | GridFormat::singleLine |
                      GridFormat::endEllipsis;
        item.text = QString::fromLatin1(headers[column]);
        grid_->setCell(item);
    }

    const int count = std::min<int>(program_.audioCount, int(program_.audioTracks.size()));
    grid_->setRowCount(count + 1);
    for (int i = 0; i < count; ++i) {
        const AudioTrack& track = program_.audioTracks[std::size_t(i)];
        const int row = i + 1;
        GridItem number;
        number.row = row;
        number.column = numberColumn;
        number.mask = GridMask::text | GridMask::data;
        number.text = QString::asprintf("%d", row);
        // Which stored track the row shows; rows move when others are deleted.
        number.data = std::uint32_t(row);
        grid_->setCell(number);
        grid_->setCellText(row, pidColumn, pidText(track));
        grid_->setCellText(row, languageColumn, languageText(track));
        grid_->setCellText(row, ac3Column, ac3Text(track));
    }
    // Languages come from the list of known codes, never as typed text.
    languageChooser_ = new LanguageCellChooser(grid_, languageColumn);
}

QString AudioPidDialog::pidText(const AudioTrack& track) {
    return QString::asprintf("0x%04x", track.audioPid & pidMask);
}

QString AudioPidDialog::languageText(const AudioTrack& track) {
    // An index the table lacks reads as itself ("30 (unknown)"): an empty cell would look like
    // no language, and emptying it would change nothing.
    if (track.audioLanguage == LanguageCodeTable::none)
        return {};
    return LanguageCodeTable::describe(track.audioLanguage);
}

QString AudioPidDialog::ac3Text(const AudioTrack& track) {
    return (track.audioPid & ac3Bit) ? QStringLiteral("1") : QStringLiteral("0");
}

const AudioTrack* AudioPidDialog::shownTrack(int row) const {
    GridItem item;
    item.row = row;
    item.column = numberColumn;
    if (!grid_->getCell(item) || item.data == 0)
        return nullptr;
    return &program_.audioTracks[std::size_t(item.data - 1)];
}

void AudioPidDialog::addRow() {
    if (grid_->rowCount() > ChannelLimits::maxAudioTracks)
        return;
    grid_->clearSelection();
    const int row = grid_->insertRow(QString::asprintf("%d", grid_->rowCount()));
    // Ready for typing the new track's PID once the grid has the keyboard.
    grid_->setFocusCell(row, pidColumn);
    grid_->ensureCellVisible(row, pidColumn);
    grid_->redraw();
}

void AudioPidDialog::deleteSelectedRows() {
    // Rows keep their numbers: the numbers still say which track a row came from.
    for (int row = grid_->fixedRowCount(); row < grid_->rowCount();) {
        if (grid_->getCellState(row, pidColumn) & GridState::selected)
            grid_->deleteRow(row);
        else
            ++row;
    }
    grid_->redraw();
}

void AudioPidDialog::refuseCell(int row, int column, const QString& message) {
    showMessage(this, message);
    grid_->setSelectedRange(-1, -1, -1, -1);
    grid_->setFocusCell(row, column);
    grid_->ensureCellVisible(row, column);
    grid_->setFocus();
}

void AudioPidDialog::accept() {
    grid_->commitEdit();

    std::vector<AudioTrack> kept;
    for (int row = grid_->fixedRowCount(); row < grid_->rowCount(); ++row) {
        const AudioTrack* shown = shownTrack(row);
        const QString pidCell = grid_->getCellText(row, pidColumn);
        const QString languageCell = grid_->getCellText(row, languageColumn);
        // A text that is not wholly a number is refused: taken as "no track" or "not AC3" it
        // would drop or change a track without a word.
        const std::optional<long long> ac3 = parsePidText(grid_->getCellText(row, ac3Column));

        AudioTrack track;
        if (shown && pidCell == pidText(*shown)) {
            // Untouched: the stored PID with every bit the cell could not show.
            track.audioPid = shown->audioPid & ~ac3Bit;
        } else {
            const std::optional<long long> pid = parsePidText(pidCell);
            if (pid == -1 || pid == noTrack)
                continue;
            if (!pid || *pid < 0 || *pid > pidMask) {
                refuseCell(row, pidColumn, pidRangeMessage());
                return;
            }
            track.audioPid = std::uint16_t(*pid);
        }
        if (!ac3) {
            refuseCell(row, ac3Column, ac3Message());
            return;
        }
        if (*ac3 != -1 && *ac3 != 0)
            track.audioPid |= ac3Bit;
        track.audioLanguage = shown && languageCell == languageText(*shown)
                                  ? shown->audioLanguage
                                  : languageIndexFromCode(languageCell);
        kept.push_back(track);
    }

    bool changed = false;
    if (int(kept.size()) != program_.audioCount) {
        program_.audioCount = std::uint8_t(kept.size());
        changed = true;
    }
    for (std::size_t i = 0; i < kept.size(); ++i) {
        AudioTrack& track = program_.audioTracks[i];
        if (track.audioPid != kept[i].audioPid || track.audioLanguage != kept[i].audioLanguage) {
            track.audioPid = kept[i].audioPid;
            track.audioLanguage = kept[i].audioLanguage;
            changed = true;
        }
    }
    if (!changed) {
        QDialog::reject();
        return;
    }
    program_.audioSelection = 255;
    QDialog::accept();
}
