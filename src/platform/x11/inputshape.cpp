// SPDX-License-Identifier: MIT
#include "platform/x11/inputshape.h"

#include "platform/x11/xlib.h"

namespace tandri::x11::InputShape {

void prepare(X11Connection& connection) {
    int major = 5, minor = 0;
    XFixesQueryVersion(connection.display(), &major, &minor);
}

bool set(X11Connection& connection, XID window, bool acceptsClicks) {
    Display* display = connection.display();
    return connection.trapErrors([&] {
        if (acceptsClicks) {
            XFixesSetWindowShapeRegion(display, window, ShapeInput, 0, 0, None);
        } else {
            const XserverRegion empty = XFixesCreateRegion(display, nullptr, 0);
            XFixesSetWindowShapeRegion(display, window, ShapeInput, 0, 0, empty);
            XFixesDestroyRegion(display, empty);
        }
    }) == 0;
}

}  // namespace tandri::x11::InputShape
