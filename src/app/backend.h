// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <memory>

#include "platform/platform.h"

namespace tandri {

class ThumbnailCache;

/// The platform services of one run of the program: the Wayland compositor's desktop, the X
/// display's, the simulated desktop named by TANDRI_DESKTOP or the built-in sample one, with the
/// real preference store, clock and threads.
class Backend {
public:
    /// The backend for this process; null with `error` set when the desktop cannot be loaded.
    /// Without TANDRI_DESKTOP and an X display, the sample desktop serves when `sampleAllowed`.
    static std::unique_ptr<Backend> create(QString* error, bool sampleAllowed = true);
    /// Why there is no desktop for the menu-bar program to run on, or nothing when there is one:
    /// the simulated one named by TANDRI_DESKTOP or the X display. Needs the application object.
    static QString missingDesktop();
    /// Which desktop this run belongs to, as a name fit for a file: one copy runs per desktop.
    /// A simulated desktop is its file together with the preferences folder, so that runs
    /// that share neither never meet.
    static QString desktopKey();
    /// The key of an X display: its screens and the ways to name the local host are one
    /// display, so ":0", ":0.1" and "unix:0" all give "x11-0".
    static QString displayKey(const QString& display);
    /// The key of a Wayland session by its socket ("wayland-1" gives "wayland-wayland-1").
    static QString waylandKey(const QString& display);
    ~Backend();

    Platform& platform();
    /// Which desktop the program runs on, for messages: "the simulated desktop in FILE".
    QString desktopName() const;
    /// Hands the shortcut's press (`down`) or release from the compositor's key binding, stamped
    /// with the monotonic time its command started, to the desktop; false where the desktop has
    /// keys of its own or nothing holds the shortcut.
    bool trigger(bool down, qint64 stamp);
    /// Whether the desktop is a simulated one, whose windows nobody sees.
    bool simulated() const;
    /// The process's one cache of window pictures.
    ThumbnailCache& thumbnails();

private:
    struct Services;
    explicit Backend(std::unique_ptr<Services> services);
    std::unique_ptr<Services> services_;
};

}  // namespace tandri
