#pragma once

// The reader thread posts each frame as an event; Qt's event queue hands it to the window's
// thread under a lock of its own, inside a library the race detector cannot see into. These
// two calls tell the detector about that hand-over; in every other build they are nothing.
#if defined(__SANITIZE_THREAD__)
#include <sanitizer/tsan_interface.h>
inline void handOverPostedEvent(void* event) {
    __tsan_release(event);
}
inline void takeOverPostedEvent(void* event) {
    __tsan_acquire(event);
}
#else
inline void handOverPostedEvent(void*) {}
inline void takeOverPostedEvent(void*) {}
#endif
