#pragma once

#include <QtGlobal>

#include <cstdint>
#include <limits>
#include <memory>
#include <span>

class QFile;
class QIODevice;
class QString;

// Opens `path` for reading only when it names a regular file (a symbolic link to one is
// fine). Directories, FIFOs, sockets and devices are refused without being opened in a way
// that could block the window or disturb a device (opening a serial port raises its lines).
// False also for an empty, missing or unreadable path.
bool openRegularFile(QFile& file, const QString& path);

enum class LoadResult {
    ok,
    noBuffer,  // the buffer could not be obtained (too large or out of memory)
    readFailed // fewer bytes than the size arrived, or the file grew while it was read
};

// The largest file handed on: lengths travel as unsigned 32-bit numbers.
constexpr qint64 maxLoadSize = std::numeric_limits<std::uint32_t>::max();

class LoadedFile;

// Takes the size of the open `file`, obtains one buffer of exactly that size and reads the
// whole file into it from offset 0 in one request. On any result but ok, `loaded` is left
// empty.
LoadResult loadWholeFile(QIODevice& file, LoadedFile& loaded, qint64 maxSize = maxLoadSize);

// A whole file read into one heap buffer of exactly its size, freed with the object.
class LoadedFile {
public:
    std::span<const std::uint8_t> bytes() const { return {data_.get(), size_}; }
    std::size_t size() const { return size_; }

private:
    friend LoadResult loadWholeFile(QIODevice&, LoadedFile&, qint64);
    std::unique_ptr<std::uint8_t[]> data_;
    std::size_t size_ = 0;
};
