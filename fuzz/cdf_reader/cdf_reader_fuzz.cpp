// Fuzzes the Channel Data File reader from memory. Each input is read twice: as it is, which
// mostly exercises the quick check, and with its magic, length field and trailer set right,
// so that mutations reach the body. An accepted file must then hold together: it writes, the
// written file reads back and writes again to the same bytes, and deleting and moving
// programs keeps every list sound (AddressSanitizer sees any reference left dangling).

#include "channels/channel_data_compare.h"
#include "channels/channel_database.h"
#include "channels/channel_file_format.h"
#include "channels/channel_file_reader.h"
#include "channels/channel_file_writer.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {
void require(bool condition) {
    if (!condition)
        std::abort();
}

QByteArray withValidFrame(const std::uint8_t* data, std::size_t size) {
    QByteArray image(reinterpret_cast<const char*>(data), qsizetype(size));
    std::memcpy(image.data(), "CDF", 3);
    const std::uint32_t body = std::uint32_t(size - ChannelFileFormat::headerSize);
    for (int i = 0; i < 4; ++i)
        image[ChannelFileFormat::bodyLengthOffset + i] = char(body >> (8 * i));
    std::memcpy(image.data() + image.size() - 3, "END", 3);
    return image;
}

int programTotal(const ChannelDatabase& db) {
    return int(db.tvList.size() + db.radioList.size());
}

// True when each transponder holds its TV programs in TV-list order, then its radio
// programs in radio-list order: the only order of a transponder's programs that a file can
// express, so a database with it reads back exactly as it was written.
bool treeFollowsLists(const ChannelDatabase& db) {
    for (const auto& satellite : db.satellites())
        for (const auto& transponder : satellite->transponders()) {
            const ProgramNode* previous = nullptr;
            for (const auto& program : transponder->programs()) {
                if (previous && previous->isTv() == program->isTv() &&
                    previous->listPosition >= program->listPosition)
                    return false;
                if (previous && previous->isRadio() && program->isTv())
                    return false;
                previous = program.get();
            }
        }
    return true;
}

// Deletes and moves programs the way the editor does, then checks that the database still
// writes and reads back.
void editAndSave(ChannelDatabase& db) {
    if (SatelliteNode* satellite = db.satelliteAt(0); satellite && satellite->transponderCount())
        require(db.deleteTransponder(satellite, satellite->transponderAt(0)));
    if (!db.tvList.empty()) {
        ProgramNode* program = db.tvList.front();
        require(db.deleteProgram(program->transponder(), program));
    }
    if (!db.tvList.empty())
        db.setVideoPid(db.tvList.back(), ChannelLimits::noPid);
    if (!db.radioList.empty())
        db.setVideoPid(db.radioList.front(), 0x0123);
    QByteArray written;
    require(encodeChannelImage(db, written) == 0);
    ChannelDatabase reread;
    require(readChannelImage(reread, written) == 0);
    require(programTotal(reread) == programTotal(db));
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    {
        ChannelDatabase asIs;
        readChannelImage(asIs, QByteArrayView(data, qsizetype(size)));
    }
    if (size < std::size_t(ChannelFileFormat::headerSize + ChannelFileFormat::trailerSize))
        return 0;
    const QByteArray image = withValidFrame(data, size);
    ChannelDatabase db;
    if (readChannelImage(db, image) != 0) {
        // Refused: nothing of the file was kept.
        require(db.satelliteCount() == 0 && programTotal(db) == 0);
        return 0;
    }

    QByteArray written;
    const int writeResult = encodeChannelImage(db, written);
    // What was read always fits: records never grow on the way through.
    require(writeResult == 0 || image.size() > ChannelFileFormat::maxFileSize);
    if (writeResult != 0)
        return 0;
    require(written.size() <= image.size());

    // One write settles what a file may leave open (transponder order, TV records without a
    // video PID); from then on the bytes and the data are stable.
    ChannelDatabase again;
    require(readChannelImage(again, written) == 0);
    require(again.satelliteCount() == db.satelliteCount());
    require(again.transponderTotal() == db.transponderTotal());
    require(again.tvList.size() == db.tvList.size());
    require(again.radioList.size() == db.radioList.size());
    QByteArray rewritten;
    require(encodeChannelImage(again, rewritten) == 0);
    require(rewritten == written);
    if (treeFollowsLists(db))
        require(firstChannelDataDifference(db, again).isEmpty());

    editAndSave(db);
    return 0;
}
