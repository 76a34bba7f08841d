#pragma once

// The cells of the channel grid: what a transponder's or program's row shows, and how a cell
// the user typed into is read back into the record. Each cell is read on its own, so a cell
// the user did not touch never changes its record.

#include "channels/channel_records.h"

#include <QString>

namespace TransponderColumn {
constexpr int number = 0;
constexpr int frequency = 1;
constexpr int polarization = 2;
constexpr int fecInner = 3;
constexpr int symbolRate = 4;
constexpr int count = 5;
} // namespace TransponderColumn

namespace ProgramColumn {
constexpr int number = 0;
constexpr int name = 1;
constexpr int serviceId = 2;
constexpr int pcrPid = 3;
constexpr int videoPid = 4;
constexpr int audioPid = 5;
constexpr int teletextPid = 6;
constexpr int pmtPid = 7;
constexpr int scrambled = 8;
constexpr int count = 9;
} // namespace ProgramColumn

QString transponderCellText(int column, const Transponder& transponder);
QString programCellText(int column, const Program& program);

// Reads `text` typed into `column` into the record. Returns an empty text when the value was
// stored, otherwise why it cannot be (the record is then unchanged): a number cell takes only a
// whole number the field can hold as typed, or its own forms for "none", and refuses anything
// else rather than store another value.
QString readTransponderCell(int column, const QString& text, Transponder& transponder);
QString readProgramCell(int column, const QString& text, Program& program);
