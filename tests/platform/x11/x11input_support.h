#pragma once

#include <QRect>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

#include "platform/x11/x11connection.h"

namespace tandri::test {

/// Runs xdotool, the user's keyboard and mouse here; whether it succeeded.
bool xdotool(const QStringList& arguments);

/// Waits until the server has answered everything sent so far and this connection's events are
/// dispatched, along with Qt's.
void settle(x11::X11Connection& connection);

/// Runs the event loops, this connection's included, until `done` holds; whether it did.
bool waitFor(x11::X11Connection& connection, const std::function<bool()>& done);

/// Another program's window: an undecorated window of its own connection that records the mouse
/// buttons pressed on it.
class ClickTarget {
public:
    explicit ClickTarget(const QRect& frame);
    ~ClickTarget();
    ClickTarget(const ClickTarget&) = delete;
    ClickTarget& operator=(const ClickTarget&) = delete;

    /// The X buttons pressed on the window so far, in order.
    const std::vector<unsigned>& presses();
    QPoint center() const { return frame_.center(); }

private:
    struct Client;
    std::unique_ptr<Client> client_;
    QRect frame_;
    std::vector<unsigned> presses_;
};

}  // namespace tandri::test
