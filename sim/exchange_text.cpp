#include "sim/exchange_text.h"

#include "link/message_codes.h"

#include <cstdio>

namespace sim {

std::string hexBytes(std::span<const std::uint8_t> bytes, const std::string& indent) {
    constexpr std::size_t perLine = 32;
    std::string text;
    text.reserve(bytes.size() * 3 + bytes.size() / perLine * (indent.size() + 1));
    char digits[4];
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i > 0)
            text += i % perLine == 0 ? "\n" + indent : " ";
        std::snprintf(digits, sizeof digits, "%02X", bytes[i]);
        text += digits;
    }
    return text;
}

std::string frameName(std::uint8_t code) {
    switch (code) {
    case CMD_PROBE:
        return "CMD_PROBE";
    case CMD_RESET:
        return "CMD_RESET";
    case CMD_BOOT_ABORT:
        return "CMD_BOOT_ABORT";
    case CMD_CHANNEL_OPEN:
        return "CMD_CHANNEL_OPEN";
    case CMD_UPLOAD_START:
        return "CMD_UPLOAD_START";
    case CMD_UPLOAD_BLOCK:
        return "CMD_UPLOAD_BLOCK";
    case CMD_UPLOAD_END:
        return "CMD_UPLOAD_END";
    case CMD_DOWNLOAD_START:
        return "CMD_DOWNLOAD_START";
    case CMD_DOWNLOAD_BLOCK:
        return "CMD_DOWNLOAD_BLOCK";
    case CMD_DOWNLOAD_END:
        return "CMD_DOWNLOAD_END";
    case RSP_IDENT:
        return "RSP_IDENT";
    case RSP_CHANNEL_OPEN:
        return "RSP_CHANNEL_OPEN";
    case RSP_UPLOAD_START:
        return "RSP_UPLOAD_START";
    case RSP_UPLOAD_BLOCK:
        return "RSP_UPLOAD_BLOCK";
    case RSP_UPLOAD_END:
        return "RSP_UPLOAD_END";
    case RSP_DOWNLOAD_START:
        return "RSP_DOWNLOAD_START";
    case RSP_DOWNLOAD_BLOCK:
        return "RSP_DOWNLOAD_BLOCK";
    case RSP_DOWNLOAD_END:
        return "RSP_DOWNLOAD_END";
    }
    char text[16];
    std::snprintf(text, sizeof text, "code 0x%02X", code);
    return text;
}

std::string bootByteName(std::uint8_t byte) {
    switch (byte) {
    case BL_HELLO:
    case BL_HELLO_ALT:
        return "BL_HELLO";
    case BL_INFO:
    case BL_INFO_ALT:
        return "BL_INFO";
    case BL_READY:
        return "BL_READY";
    case BL_NEXT:
        return "BL_NEXT";
    case BL_DONE:
        return "BL_DONE";
    case BL_REPEAT:
        return "BL_REPEAT";
    }
    char text[16];
    std::snprintf(text, sizeof text, "byte 0x%02X", byte);
    return text;
}

} // namespace sim
