#pragma once

#include <cstdint>

// Frame codes of the receiver link. CMD_ frames go from the PC to the receiver, RSP_ frames
// come back from its application firmware, BL_ bytes come from its boot loader.
enum MessageCode : std::uint8_t {
    CMD_PROBE = 0x11,
    CMD_RESET = 0x12,
    CMD_BOOT_ABORT = 0x13,
    CMD_CHANNEL_OPEN = 0x14,
    CMD_UPLOAD_START = 0x21,
    CMD_UPLOAD_BLOCK = 0x22,
    CMD_UPLOAD_END = 0x23,
    CMD_DOWNLOAD_START = 0x31,
    CMD_DOWNLOAD_BLOCK = 0x32,
    CMD_DOWNLOAD_END = 0x33,

    RSP_IDENT = 0xE1,
    RSP_CHANNEL_OPEN = 0xE4,
    RSP_UPLOAD_START = 0xD1,
    RSP_UPLOAD_BLOCK = 0xD2,
    RSP_UPLOAD_END = 0xD3,
    RSP_DOWNLOAD_START = 0xC1,
    RSP_DOWNLOAD_BLOCK = 0xC2,
    RSP_DOWNLOAD_END = 0xC3,
};

enum BootByte : std::uint8_t {
    BL_HELLO = 0x06,
    BL_HELLO_ALT = 0x0E,
    BL_INFO = 0x07,
    BL_INFO_ALT = 0x0F,
    BL_READY = 0x08,
    BL_NEXT = 0x09,
    BL_DONE = 0x0A,
    BL_REPEAT = 0x0B,
};

// The byte that must follow BL_HELLO, and the go-ahead the PC answers with.
constexpr std::uint8_t BL_HELLO_FOLLOWER = 0x08;
constexpr std::uint8_t BL_GO_AHEAD = 0x09;
