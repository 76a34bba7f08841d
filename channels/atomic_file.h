#pragma once

#include <QByteArrayView>
#include <QString>

// How a replacement went: the temporary file could not be created, or it could but writing,
// syncing or renaming it failed.
enum class AtomicWriteOutcome { written, cannotCreate, writeFailed };

// Replaces the file at `path` with `bytes` so that the file is either the old one or the
// whole new one, never a mixture: the bytes go to a temporary file beside the target, which
// is flushed to disk and then renamed over it (QSaveFile). On failure the old file is intact
// and no temporary file is left behind. Every save of a Channel Data File goes through here.
AtomicWriteOutcome replaceFileAtomically(const QString& path, QByteArrayView bytes);

// The same, as a result code: 0 written, -1 on any failure.
int writeFileAtomically(const QString& path, QByteArrayView bytes);
