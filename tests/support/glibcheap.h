// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>

namespace tandri::test {

/// Whether memory comes from glibc's heap: AddressSanitizer's allocator maps memory of its own,
/// so a process built with it has no heap region.
#if defined(__SANITIZE_ADDRESS__) || !defined(__GLIBC__)
inline constexpr bool glibcHeap = false;
#else
inline constexpr bool glibcHeap = true;
#endif

}  // namespace tandri::test
