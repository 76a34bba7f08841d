#include "channels/atomic_file.h"

#include <QSaveFile>

AtomicWriteOutcome replaceFileAtomically(const QString& path, QByteArrayView bytes) {
    if (path.isEmpty())
        return AtomicWriteOutcome::cannotCreate;
    QSaveFile file(path);
    // Never fall back to writing the target in place: a failed write must leave it intact.
    file.setDirectWriteFallback(false);
    // Unbuffered, so that a failing write (a full disk) is seen at the write itself: a write
    // error that only turns up in the flush inside commit() would go unnoticed and the
    // shortened file would replace the old one.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return AtomicWriteOutcome::cannotCreate;
    if (file.write(bytes.data(), bytes.size()) != bytes.size() || !file.flush() ||
        file.error() != QFileDevice::NoError) {
        file.cancelWriting();
        return AtomicWriteOutcome::writeFailed;
    }
    // commit() syncs to disk and renames over the target; on failure it removes the
    // temporary file and the target stays as it was.
    return file.commit() ? AtomicWriteOutcome::written : AtomicWriteOutcome::writeFailed;
}

int writeFileAtomically(const QString& path, QByteArrayView bytes) {
    return replaceFileAtomically(path, bytes) == AtomicWriteOutcome::written ? 0 : -1;
}
