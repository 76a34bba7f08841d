#include "base/file_loading.h"

#include <QIODevice>

#include <new>

LoadResult loadWholeFile(QIODevice& file, LoadedFile& loaded, qint64 maxSize) {
    loaded = LoadedFile();
    const qint64 size = file.size();
    if (size < 0 || size > maxSize)
        return LoadResult::noBuffer;

    const auto byteCount = static_cast<std::size_t>(size);
    std::unique_ptr<std::uint8_t[]> data(new (std::nothrow) std::uint8_t[byteCount]);
    if (!data)
        return LoadResult::noBuffer;

    if (!file.seek(0) || file.read(reinterpret_cast<char*>(data.get()), size) != size)
        return LoadResult::readFailed;
    // A file that grew since its size was taken would be handed on cut short.
    char extra;
    if (file.read(&extra, 1) != 0)
        return LoadResult::readFailed;

    loaded.data_ = std::move(data);
    loaded.size_ = byteCount;
    return LoadResult::ok;
}
