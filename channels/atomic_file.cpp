#include "channels/atomic_file.h"

#include <QSaveFile>

int writeFileAtomically(const QString& path, QByteArrayView bytes) {
    QSaveFile file(path);
    // Unbuffered, so that a failing write (a full disk) is seen at the write itself: a write
    // error that only turns up in the flush inside commit() would go unnoticed and the
    // shortened file would replace the old one.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return -1;
    if (file.write(bytes.data(), bytes.size()) != bytes.size() || !file.flush() ||
        file.error() != QFileDevice::NoError) {
        file.cancelWriting();
        return -1;
    }
    // commit() syncs to disk and renames over the target; on failure it removes the
    // temporary file and the target stays as it was.
    return file.commit() ? 0 : -1;
}
