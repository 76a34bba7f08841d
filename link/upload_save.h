#pragma once

#include <QString>

#include <cstdint>
#include <functional>
#include <span>

// Result of saving a received Channel Data File.
enum UploadSaveResult : int {
    uploadSaved = 0,
    uploadInvalidFormat = -1,     // no "CDF" magic or no "END" at the end of the announced body
    uploadCannotCreate = -2,      // the file could not be created
    uploadWriteFailed = -3,       // created, but writing or replacing the old file failed
    uploadOldFileUnreadable = -4, // the file already at the path could not be read to keep it
    uploadBackupFailed = -5,      // its numbered backup NAME.cdf.~N~ could not be written
};

// Writes `bytes` to `path`, replacing any file there only once everything is written:
// 0 written, -1 cannot create, -2 write failed (an old file at `path` is left intact).
using UploadFileWriter =
    std::function<int(const QString& path, std::span<const std::uint8_t> bytes)>;

// The default writer: the same atomic replacement every Channel Data File save goes through.
int writeUploadFile(const QString& path, std::span<const std::uint8_t> bytes);

// Checks the received image (header and body), keeps a file already at `path` as its next
// numbered backup NAME.cdf.~N~ (nothing is written when that fails; nothing is copied when the
// file already holds exactly the received bytes) and writes the header and announced body to
// `path` through `writer`.
UploadSaveResult saveUploadImage(std::span<const std::uint8_t> image, const QString& path,
                                 const UploadFileWriter& writer = writeUploadFile);

// The message the user is shown for a failed save of `path`; empty for uploadSaved.
QString uploadSaveMessage(UploadSaveResult result, const QString& path = {});

// Whether a received file could be written at `path`, asked before an upload starts so that
// the user does not learn it only after the whole transfer: the path names no folder, a file
// can be created where the save writes (the folder a symbolic link points into) and, for an
// existing file, beside it for its backup; an existing file may be read and written.
bool uploadPathWritable(const QString& path);
