#pragma once

#include <QString>

#include <cstdint>
#include <span>

// What the transfer state machine needs of its window: the status line, the single button,
// the transfer and write bars, the caption, closing, saving an upload, the "Com" setting and
// the boot-mode prompt. The transfer window implements it; tests use a recording fake.
class TransferView {
public:
    virtual ~TransferView() = default;

    virtual void setCaption(const QString& text) = 0;
    virtual void setStatus(const QString& text) = 0;
    virtual void setButton(const QString& text, bool enabled) = 0;
    virtual void setButtonEnabled(bool enabled) = 0;

    // Both bars run from 0 to `maximum`.
    virtual void setTransferRange(int maximum) = 0;
    virtual void setTransferPosition(int position) = 0;
    virtual void setWriteRange(int maximum) = 0;
    virtual void setWritePosition(int position) = 0;
    virtual void hideWriteBar() = 0;

    // A modal message box with the stop icon.
    virtual void showError(const QString& text) = 0;

    // Posts a close request, as the close box does; the window closes once the current
    // handler has returned.
    virtual void requestClose() = 0;
    // Ends the modal window at once with the cancel result.
    virtual void endWithCancel() = 0;

    // Writes a received Channel Data File (header and body) to the upload path. 0 when
    // saved; non-zero when it was not (the user has been told why).
    virtual int saveUpload(std::span<const std::uint8_t> image) = 0;
    // Empties the main window's channel data path after a failed save.
    virtual void clearChannelPath() = 0;

    // The "Com" setting: the last port a receiver answered on or the user chose, 0 for none.
    virtual int readComPort() = 0;
    virtual void writeComPort(int port) = 0;

    // Runs the boot-mode prompt preset to `presetIndex` (0 to 3 for COM1 to COM4; any other
    // value selects none). Returns the chosen index 0 to 3, or -1 when cancelled.
    virtual int askBootModePort(int presetIndex) = 0;
};
