#pragma once

#include <QString>

// Before a Channel Data File is replaced (an editor's first save over the file it opened, an
// upload over an existing file), its previous bytes are kept beside it as NAME.bak, written
// safely like every save. One writer serves both.
namespace BackupFile {

// "NAME.cdf" -> "NAME.cdf.bak".
QString pathFor(const QString& path);

// Copies the file at `path` to pathFor(path) through the atomic writer, replacing an older
// backup only once the new one is whole. 0 written, 1 nothing to back up (no file at `path`),
// -1 the file could not be read, -2 the backup could not be written.
int keepPrevious(const QString& path);

// The message for a failed keepPrevious; empty for 0 and 1.
QString failureMessage(int result, const QString& path);

} // namespace BackupFile
