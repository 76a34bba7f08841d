#include "channels/backup_file.h"

#include "channels/atomic_file.h"

#include <QFile>
#include <QFileInfo>

namespace BackupFile {

QString pathFor(const QString& path) {
    return path + QStringLiteral(".bak");
}

int keepPrevious(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists())
        return 1;
    QFile file(path);
    if (!info.isFile() || !file.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError || bytes.size() != info.size())
        return -1;
    return writeFileAtomically(pathFor(path), bytes) == 0 ? 0 : -2;
}

QString failureMessage(int result, const QString& path) {
    switch (result) {
    case -1:
        return QStringLiteral("Cannot read %1 to keep a backup of it. Nothing was saved.")
            .arg(path);
    case -2:
        return QStringLiteral("Cannot write the backup %1. Nothing was saved.").arg(pathFor(path));
    default:
        return {};
    }
}

} // namespace BackupFile
