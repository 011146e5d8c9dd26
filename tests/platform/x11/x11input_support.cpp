#include "x11input_support.h"

#include <QCoreApplication>
#include <QProcess>

#include "support/waitforevents.h"

// After every Qt header: Xlib defines macros (Bool, Status, None) that Qt's headers refuse.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace tandri::test {

bool xdotool(const QStringList& arguments) {
    return QProcess::execute(QStringLiteral("xdotool"), arguments) == 0;
}

void settle(x11::X11Connection& connection) {
    XSync(connection.display(), False);
    connection.processEvents();
    QCoreApplication::processEvents();
}

bool waitFor(x11::X11Connection& connection, const std::function<bool()>& done) {
    return waitForEvents([&] {
        connection.processEvents();
        return done();
    });
}

struct ClickTarget::Client {
    Display* display = nullptr;
    Window window = 0;
};

ClickTarget::ClickTarget(const QRect& frame) : client_(std::make_unique<Client>()), frame_(frame) {
    Display* display = XOpenDisplay(nullptr);
    client_->display = display;
    if (!display)
        return;
    XSetWindowAttributes attributes = {};
    // Outside the window manager's reach: it neither moves the window nor binds its buttons.
    attributes.override_redirect = True;
    attributes.event_mask = ButtonPressMask | ButtonReleaseMask | ExposureMask;
    attributes.background_pixel = WhitePixel(display, DefaultScreen(display));
    client_->window = XCreateWindow(display, DefaultRootWindow(display), frame.x(), frame.y(),
                                    unsigned(frame.width()), unsigned(frame.height()), 0,
                                    CopyFromParent, InputOutput, CopyFromParent,
                                    CWOverrideRedirect | CWEventMask | CWBackPixel, &attributes);
    XMapRaised(display, client_->window);
    XSync(display, False);
}

ClickTarget::~ClickTarget() {
    if (client_->display)
        XCloseDisplay(client_->display);
}

const std::vector<unsigned>& ClickTarget::presses() {
    Display* display = client_->display;
    if (!display)
        return presses_;
    XSync(display, False);
    while (XPending(display) > 0) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == ButtonPress && event.xbutton.window == client_->window)
            presses_.push_back(event.xbutton.button);
    }
    return presses_;
}

}  // namespace tandri::test
