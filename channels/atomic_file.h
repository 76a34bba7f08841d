#pragma once

#include <QByteArrayView>
#include <QString>

// Replaces the file at `path` with `bytes` so that the file is either the old one or the
// whole new one, never a mixture: the bytes go to a temporary file beside the target, which
// is flushed to disk and then renamed over it (QSaveFile). Returns 0, or -1 when anything
// fails; then the old file is intact and no temporary file is left behind. Every save of a
// Channel Data File goes through here.
int writeFileAtomically(const QString& path, QByteArrayView bytes);
