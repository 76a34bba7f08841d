#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace sim {

// The receiver's end of the cable: a pseudo-terminal in raw mode whose device name is
// published as a symbolic link, so that the PC side can open the link path like a serial port.
// The simulator keeps the terminal side open as well, so the PC may open and close its port
// as often as it likes without the line going down.
class PtyLink {
public:
    // Creates the pseudo-terminal and the link (replacing a stale symbolic link at that path,
    // never another kind of file). Empty on failure, with the reason in `error`.
    static std::unique_ptr<PtyLink> create(const std::string& linkPath, std::string& error);
    ~PtyLink();
    PtyLink(const PtyLink&) = delete;
    PtyLink& operator=(const PtyLink&) = delete;

    // The receiver's side, non-blocking; -1 after hangUp.
    int fd() const { return masterFd_; }
    const std::string& deviceName() const { return deviceName_; }
    const std::string& linkPath() const { return linkPath_; }

    // Bytes the line took, or -1.
    long write(std::span<const std::uint8_t> bytes);
    // Bytes sent that the PC has not read yet.
    int unreadByPc() const;
    // Hangs up: closes both sides and removes the link.
    void hangUp();

private:
    PtyLink() = default;
    void removeLink();

    int masterFd_ = -1;
    int terminalFd_ = -1;
    std::string deviceName_;
    std::string linkPath_;
};

} // namespace sim
