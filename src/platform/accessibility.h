#pragma once

#include <QString>
#include <optional>
#include <vector>

namespace tandri {

/// An opaque handle to one window of one application, usable from any thread.
struct WindowElement {
    qint32 pid = 0;
    quint64 handle = 0;
    bool operator==(const WindowElement&) const = default;
};

/// One window as the application's accessibility interface describes it, unfiltered.
struct AXWindow {
    WindowElement element;
    /// "AXStandardWindow" for ordinary windows; absent when the app gives none.
    std::optional<QString> subrole;
    std::optional<QString> title;
    std::optional<bool> minimized;
    /// The window server's number for the window, when it can be had.
    std::optional<quint32> windowID;
};

/// The accessibility interface: listing and acting on other applications' windows.
/// The listing may be called from any thread; actions from the main thread.
class Accessibility {
public:
    virtual ~Accessibility() = default;
    /// Whether this program may list and raise other applications' windows.
    virtual bool isTrusted() const = 0;
    /// Asks the system to offer the user the permission.
    virtual void requestAccess() = 0;
    /// The application's windows in its own order; empty when it cannot be asked or does not
    /// answer in time.
    virtual std::vector<AXWindow> windows(qint32 pid) const = 0;
    // Actions report nothing: a window that vanished is simply not acted on.
    virtual void setMinimized(const WindowElement& window, bool minimized) = 0;
    virtual void setMain(const WindowElement& window) = 0;
    virtual void raise(const WindowElement& window) = 0;
};

}  // namespace tandri
