#pragma once

#include <QList>
#include <QRect>
#include <QString>
#include <QStringList>

class GridModel;

// The text forms of the grid's clipboard commands.

// The smallest rectangle (columns x, rows y) holding every selected cell; empty when nothing is
// selected.
QRect gridSelectedRectangle(const GridModel& model);

// Copy form of a rectangle: the cells of a row joined by tabs, rows joined by one line feed; a
// selected empty cell is written as one space, an unselected cell as nothing.
QString gridCopyText(const GridModel& model, const QRect& rectangle);

// Paste form: one entry per line (split at line feeds), each line split into its non-empty
// fields at tabs, commas and line feeds, every field trimmed. An empty line counts as one space
// (so it yields one empty field). A final line feed ends the last line; it does not start one.
// Only the first `maxLines` lines and the first `maxFields` fields of each are taken: the rest
// of the text is not split at all.
QList<QStringList> gridPasteFields(const QString& text, qsizetype maxLines = -1,
                                   qsizetype maxFields = -1);
