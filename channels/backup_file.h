#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <optional>

// Before a Channel Data File is replaced (an editor's first save over the file it opened, an
// upload over an existing file), its previous bytes are kept beside it as a numbered backup,
// as `cp --backup=numbered` names them: NAME.cdf.~1~, NAME.cdf.~2~, ... The newest few are
// kept, and an existing backup is never overwritten, so a second save or upload to the same
// name cannot destroy the only copy of what the user had. One writer serves every save.
namespace BackupFile {

// How many backups of one file are kept; older ones are removed once a newer one is whole.
constexpr int keptGenerations = 5;

// "NAME.cdf" -> "NAME.cdf.~N~".
QString numberedPath(const QString& path, int number);
// The backups of `path` that exist, newest (highest number) first.
QStringList existingBackups(const QString& path);
// The newest backup of `path`; where the next one will go when there is none yet.
QString pathFor(const QString& path);

// Keeps the file at `path` as its next numbered backup, written safely like every save.
// Nothing is copied when the file already holds exactly `replacement` (the bytes about to be
// written), or when the newest backup already holds exactly the file's bytes.
// 0 kept (or nothing to keep because an identical copy exists), 1 nothing to back up (no file
// at `path`), -1 the file could not be read, -2 the backup could not be written.
int keepPrevious(const QString& path, std::optional<QByteArrayView> replacement = std::nullopt);

// The message for a failed keepPrevious; empty for 0 and 1.
QString failureMessage(int result, const QString& path);

} // namespace BackupFile
