#pragma once

#include <atomic>

// The two words the window thread writes and the reader thread reads: the transfer state
// (its sign selects framed or boot-loader parsing) and the pause flag set while the
// boot-mode prompt is open.
struct TransferFlags {
    std::atomic<int> state{0};
    std::atomic<bool> receivePaused{false};

    bool framedMode() const { return state.load(std::memory_order_acquire) > 0; }
};
