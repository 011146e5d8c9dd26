// SPDX-License-Identifier: MIT
#pragma once

// The one way in to Xlib and its extensions. Xlib defines macros (Bool, Status, None, KeyPress,
// Unsorted...) that Qt's headers refuse, so this header comes after every Qt header, and the
// headers of this folder name Xlib's types through xresources.h without including it.
#include <X11/Xlib.h>
// Xlib first: the others build on its types.
#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/XInput2.h>
#include <X11/extensions/XShm.h>
#include <X11/extensions/Xcomposite.h>
#include <X11/extensions/Xfixes.h>
#include <X11/extensions/shape.h>
#include <X11/keysym.h>
