// SPDX-License-Identifier: MIT
#pragma once

// Work handed to another thread through Qt (its thread pools) is ordered by Qt's own locks, which
// ThreadSanitizer cannot see in a Qt that was not built with it: it would take every such hand-off
// for a data race. These mark the hand-off for it; in any other build they are nothing.
#if defined(__SANITIZE_THREAD__)
#define TANDRI_HANDOFF_MARKED 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define TANDRI_HANDOFF_MARKED 1
#endif
#endif

#ifdef TANDRI_HANDOFF_MARKED
#include <sanitizer/tsan_interface.h>
#endif

namespace tandri::handoff {

/// Called by the thread that hands work over, after the last write the work may read and before
/// Qt takes the work: what it wrote is seen by whoever calls `acquire` on the same `channel`
/// (any fixed address that both sides name without reading memory the other writes).
inline void release([[maybe_unused]] const void* channel) {
#ifdef TANDRI_HANDOFF_MARKED
    __tsan_release(const_cast<void*>(channel));
#endif
}

/// Called by the thread that takes the work, before it reads anything the other thread wrote.
inline void acquire([[maybe_unused]] const void* channel) {
#ifdef TANDRI_HANDOFF_MARKED
    __tsan_acquire(const_cast<void*>(channel));
#endif
}

}  // namespace tandri::handoff
