#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

class ChannelDatabase;

// Sets the database's saved date and time (savedDay .. savedMinute) from `localTime`.
void stampSavedTime(ChannelDatabase& database, const QDateTime& localTime);

// Builds the file image of the database in a buffer of the format's maximum file size
// (ChannelFileFormat::maxFileSize) and never writes past it. It first moves programs whose
// video PID no longer matches their list (ChannelDatabase::settleProgramKinds), runs
// renumber, and sets each transponder's satelliteIndex and each program's listPosition.
// Names longer than 255 bytes are written cut to their first 255 bytes; the records keep the
// whole name. Returns 0 with `image` filled, or -2 (serializer error, `image` untouched) when
// the layout is unknown, lnbConfigCount differs from the size of lnbConfigs, a count exceeds
// its limit (favourite groups 8, audio tracks 26), the channel lists do not hold every
// program of their kind exactly once, a favourite member is not in the matching list, or the
// image would exceed the maximum file size.
int encodeChannelImage(ChannelDatabase& database, QByteArray& image);

// Stamps the current local time, builds the image and saves it atomically (a temporary file
// beside `path`, flushed and renamed over it). Returns 0, -2 (serializer error: nothing was
// written) or -1 (the file could not be created or written: the old file, if any, is intact).
int writeChannelFile(ChannelDatabase& database, const QString& path);
