#pragma once

#include <QString>

#include <cstdint>
#include <functional>
#include <span>

// Result of saving a received Channel Data File.
enum UploadSaveResult : int {
    uploadSaved = 0,
    uploadInvalidFormat = -1, // no "CDF" magic or no "END" at the end of the announced body
    uploadCannotCreate = -2,  // the file could not be created
    uploadWriteFailed = -3,   // created, but writing or replacing the old file failed
};

// Writes `bytes` to `path`, replacing any file there only once everything is written:
// 0 written, -1 cannot create, -2 write failed (an old file at `path` is left intact).
using UploadFileWriter =
    std::function<int(const QString& path, std::span<const std::uint8_t> bytes)>;

// The default writer: the same atomic replacement every Channel Data File save goes through.
int writeUploadFile(const QString& path, std::span<const std::uint8_t> bytes);

// Checks the received image (header and body) and writes its header and announced body
// to `path` through `writer`.
UploadSaveResult saveUploadImage(std::span<const std::uint8_t> image, const QString& path,
                                 const UploadFileWriter& writer = writeUploadFile);

// The message the user is shown for a failed save; empty for uploadSaved.
QString uploadSaveMessage(UploadSaveResult result);
