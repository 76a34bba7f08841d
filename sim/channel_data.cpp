#include "sim/channel_data.h"

#include "link/frame_codec.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string_view>
#include <unistd.h>

namespace sim {
namespace {

class BodyWriter {
public:
    void u8(unsigned v) { bytes.push_back(std::uint8_t(v)); }
    void u16(unsigned v) {
        u8(v & 0xFF);
        u8(v >> 8);
    }
    void u32(std::uint32_t v) {
        u16(v & 0xFFFF);
        u16(v >> 16);
    }
    void text(std::string_view s) {
        u8(unsigned(s.size()));
        bytes.insert(bytes.end(), s.begin(), s.end());
    }
    std::vector<std::uint8_t> bytes;
};

struct Satellite {
    unsigned orbitalPosition;
    unsigned diseqcPort;
    unsigned tag;
    const char* name;
};
struct Transponder {
    unsigned satellite;
    unsigned symbolRate;
    std::uint32_t frequencyKHz;
    unsigned polarization;
};
struct Program {
    unsigned transponder;
    unsigned serviceId;
    unsigned pcrPid;
    unsigned videoPid;
    unsigned pmtPid;
    unsigned audioPid;
    unsigned audioLanguage;
    const char* name;
};

void writeProgram(BodyWriter& w, const Program& p, bool tv) {
    w.u16(p.transponder);
    w.u16(p.serviceId);
    w.u16(p.pcrPid);
    if (tv)
        w.u16(p.videoPid);
    w.u16(0x1FFF); // teletext PID: none
    w.u8(0);       // program flags
    w.u8(0);       // favourite mask
    w.u16(p.pmtPid);
    w.text(p.name);
    w.u8(0); // audio selection
    w.u8(1); // one audio track
    w.u16(p.audioPid);
    w.u8(p.audioLanguage);
}

} // namespace

ChannelData builtInChannelData() {
    constexpr std::uint8_t skewBytes = 0x01;
    const Satellite satellites[] = {{192, 0, 1, "Astra 19.2E"}, {130, 1, 2, "Hotbird 13.0E"}};
    const Transponder transponders[] = {
        {0, 22000, 11'494'000, 0}, {0, 22000, 11'914'500, 1}, {1, 27500, 11'766'000, 1}};
    const Program tv[] = {{0, 28006, 0x0FF, 0x0FF, 0x064, 0x100, 2, "Das Erste"},
                          {1, 28011, 0x1FF, 0x1FF, 0x065, 0x200, 2, "ZDF"},
                          {2, 8511, 0x200, 0x200, 0x066, 0x28A, 5, "Rai 1"}};
    const Program radio[] = {{0, 28400, 0x300, 0, 0x067, 0x301, 2, "Bayern 3"}};

    BodyWriter w;
    w.u8(std::size(satellites));
    for (const Satellite& s : satellites) {
        w.u16(9750);  // LNB frequency 1, MHz
        w.u16(10600); // LNB frequency 2, MHz
        w.u8(0);      // LNB control
        w.u8(1);      // LNB type
        w.u8(1);      // DiSEqC control
        w.u8(s.diseqcPort);
        w.u8(0); // positioner control: no positioner
        w.u16(s.orbitalPosition);
        w.u8(s.tag);
        w.u8(0); // skew off
        w.u8(0);
        w.u8(0);
        w.text(s.name);
    }
    w.u16(std::size(transponders));
    for (const Transponder& t : transponders) {
        w.u8(t.satellite);
        w.u16(t.symbolRate);
        w.u32(t.frequencyKHz);
        w.u8(0);
        w.u8(t.polarization);
        w.u8(3); // FEC
        w.u8(0);
    }
    w.u16(std::size(tv));
    for (const Program& p : tv)
        writeProgram(w, p, true);
    w.u16(std::size(radio));
    for (const Program& p : radio)
        writeProgram(w, p, false);
    w.bytes.insert(w.bytes.end(), {'E', 'N', 'D'});

    ChannelData data;
    data.layout = 2;
    data.headerFlags = skewBytes;
    data.body = std::move(w.bytes);
    return data;
}

ChannelFileResult loadChannelFile(const std::string& path, ChannelData& data,
                                  bool& missingEndMark) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return ChannelFileResult::cannotRead;
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                    std::istreambuf_iterator<char>());
    if (in.bad())
        return ChannelFileResult::cannotRead;
    if (bytes.size() < channelHeaderSize || std::memcmp(bytes.data(), "CDF", 3) != 0)
        return ChannelFileResult::notChannelFile;
    if (wire::readU32(bytes.data() + 10) != bytes.size() - channelHeaderSize)
        return ChannelFileResult::badLength;
    data.layout = bytes[3];
    data.headerFlags = bytes[4];
    data.body.assign(bytes.begin() + channelHeaderSize, bytes.end());
    missingEndMark = data.body.size() < 3 || std::memcmp(&*(data.body.end() - 3), "END", 3) != 0;
    return ChannelFileResult::ok;
}

std::vector<std::uint8_t> channelFileImage(const ChannelData& data, const std::tm& savedAt) {
    std::vector<std::uint8_t> image(channelHeaderSize + data.body.size());
    std::memcpy(image.data(), "CDF", 3);
    image[3] = data.layout;
    image[4] = data.headerFlags;
    image[5] = std::uint8_t(savedAt.tm_mday);
    image[6] = std::uint8_t(savedAt.tm_mon + 1);
    image[7] = std::uint8_t((savedAt.tm_year + 1900 - 2000) & 0xFF);
    image[8] = std::uint8_t(savedAt.tm_hour);
    image[9] = std::uint8_t(savedAt.tm_min);
    wire::putU32(image.data() + 10, std::uint32_t(data.body.size()));
    std::copy(data.body.begin(), data.body.end(), image.begin() + channelHeaderSize);
    return image;
}

bool saveChannelFile(const std::string& path, const ChannelData& data, const std::tm& savedAt) {
    return writeFileAtomically(path, channelFileImage(data, savedAt));
}

bool writeFileAtomically(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    const std::string temporary = path + ".part";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out)
            return false;
        out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        out.flush();
        if (!out) {
            out.close();
            std::remove(temporary.c_str());
            return false;
        }
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

} // namespace sim
