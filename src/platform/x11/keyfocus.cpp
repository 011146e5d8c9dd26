// SPDX-License-Identifier: MIT
#include "platform/x11/keyfocus.h"

#include <utility>

namespace tandri::x11 {

void KeyFocus::take(const void* owner, Sink sink) {
    owner_ = owner;
    sink_ = std::move(sink);
}

void KeyFocus::release(const void* owner) {
    if (owner != owner_)
        return;
    owner_ = nullptr;
    sink_ = nullptr;
}

bool KeyFocus::deliver(const KeyEvent& event) const {
    if (!sink_)
        return false;
    // A copy: the window may let go of the keys, or go away, while it handles this one.
    const Sink sink = sink_;
    sink(event);
    return true;
}

}  // namespace tandri::x11
