// SPDX-License-Identifier: MIT
#pragma once

#include "platform/x11/x11connection.h"

/// Where a window takes the pointer's clicks, through the XFixes extension.
namespace tandri::x11::InputShape {

/// Names this client's XFixes version: the server refuses shape requests until it has.
void prepare(X11Connection& connection);
/// Clicks everywhere in the window (the default shape, which follows its size) or nowhere, so that
/// they reach what lies below. Whether the server took it.
bool set(X11Connection& connection, XID window, bool acceptsClicks);

}  // namespace tandri::x11::InputShape
