// A firmware file as the main window meets it: the identification check on the open file
// and on the bytes in memory must agree, and the whole-file read must hand on exactly the
// file.
#include "base/file_loading.h"
#include "firmware/firmware_check.h"

#include <QBuffer>

#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    QBuffer file(&bytes);
    file.open(QIODevice::ReadOnly);

    IdentificationRecord fromFile;
    IdentificationRecord fromBytes;
    const FirmwareCheckResult fileResult = checkFirmwareFile(file, fromFile);
    const FirmwareCheckResult bytesResult = checkFirmwareBytes({data, size}, fromBytes);
    if (fileResult != bytesResult || fromFile != fromBytes)
        std::abort();
    if (fileResult == FirmwareCheckResult::ok && fromFile.versionText().isEmpty())
        std::abort();

    LoadedFile loaded;
    if (loadWholeFile(file, loaded) != LoadResult::ok || loaded.size() != size ||
        (size > 0 && std::memcmp(loaded.bytes().data(), data, size) != 0))
        std::abort();
    return 0;
}
