#include "channels/backup_file.h"

#include "channels/atomic_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <limits>
#include <utility>
#include <vector>

namespace BackupFile {
namespace {

// The numbers of the backups of `path` that are files, highest first.
std::vector<std::pair<int, QString>> numberedBackups(const QString& path) {
    const QFileInfo info(path);
    const QDir folder = info.absoluteDir();
    const QRegularExpression pattern(QRegularExpression::anchoredPattern(
        QRegularExpression::escape(info.fileName()) + QStringLiteral("\\.~([1-9][0-9]{0,8})~")));
    std::vector<std::pair<int, QString>> found;
    // The name filter is a wildcard pattern: a file name with '[', '*' or '?' in it would not
    // find its own backups, and the next one would overwrite ~1~. The exact name is matched by
    // the pattern above instead.
    const QStringList candidates =
        folder.entryList({QStringLiteral("*.~*~")}, QDir::Files | QDir::Hidden);
    for (const QString& name : candidates) {
        const QRegularExpressionMatch match = pattern.match(name);
        if (match.hasMatch())
            found.emplace_back(match.captured(1).toInt(), folder.filePath(name));
    }
    std::sort(found.begin(), found.end(),
              [](const auto& a, const auto& b) { return a.first > b.first; });
    return found;
}

bool readWhole(const QString& path, QByteArray& bytes) {
    const QFileInfo info(path);
    QFile file(path);
    if (!info.isFile() || !file.open(QIODevice::ReadOnly))
        return false;
    bytes = file.readAll();
    return file.error() == QFileDevice::NoError && bytes.size() == info.size();
}

// The number after the highest backup found. A backup file the listing did not show (a folder
// that may be written but not listed, a number longer than the pattern takes) is stepped over:
// an existing backup is never replaced.
int nextNumber(const QString& path, const std::vector<std::pair<int, QString>>& backups) {
    int number = backups.empty() ? 1 : backups.front().first + 1;
    while (number < std::numeric_limits<int>::max()) {
        const QFileInfo next(numberedPath(path, number));
        if (!next.exists() || next.isDir())
            break;
        ++number;
    }
    return number;
}

QString nextPath(const QString& path) {
    return numberedPath(path, nextNumber(path, numberedBackups(path)));
}

} // namespace

QString numberedPath(const QString& path, int number) {
    return path + QStringLiteral(".~%1~").arg(number);
}

QStringList existingBackups(const QString& path) {
    QStringList paths;
    for (const auto& backup : numberedBackups(path))
        paths << backup.second;
    return paths;
}

QString pathFor(const QString& path) {
    const auto backups = numberedBackups(path);
    return backups.empty() ? numberedPath(path, 1) : backups.front().second;
}

int keepPrevious(const QString& path, std::optional<QByteArrayView> replacement) {
    if (!QFileInfo::exists(path))
        return 1;
    QByteArray bytes;
    if (!readWhole(path, bytes))
        return -1;
    // Writing the same bytes again loses nothing.
    if (replacement && QByteArrayView(bytes) == *replacement)
        return 0;
    const auto backups = numberedBackups(path);
    QByteArray newest;
    if (!backups.empty() && readWhole(backups.front().second, newest) && newest == bytes)
        return 0;
    const int number = nextNumber(path, backups);
    if (writeFileAtomically(numberedPath(path, number), bytes) != 0)
        return -2;
    // Only once the new backup is whole do the oldest ones go.
    for (std::size_t i = keptGenerations - 1; i < backups.size(); ++i)
        QFile::remove(backups[i].second);
    return 0;
}

QString failureMessage(int result, const QString& path) {
    switch (result) {
    case -1:
        return QStringLiteral("Cannot read %1 to keep a backup of it. Nothing was saved.")
            .arg(path);
    case -2:
        return QStringLiteral("Cannot write the backup %1. Nothing was saved.").arg(nextPath(path));
    default:
        return {};
    }
}

} // namespace BackupFile
