#pragma once

#include <QString>
#include <memory>

#include "platform/platform.h"

namespace tandri {

class ThumbnailCache;

/// The platform services of one run of the program: the simulated desktop named by
/// TANDRI_DESKTOP or the built-in sample one, with the real preference store, clock and threads.
class Backend {
public:
    /// The backend for this process; null with `error` set when the desktop cannot be loaded.
    /// Without TANDRI_DESKTOP and an X display, the sample desktop serves when `sampleAllowed`.
    static std::unique_ptr<Backend> create(QString* error, bool sampleAllowed = true);
    /// Why there is no desktop for the menu-bar program to run on, or nothing when there is one:
    /// the simulated one named by TANDRI_DESKTOP or the X display. Needs the application object.
    static QString missingDesktop();
    ~Backend();

    Platform& platform();
    /// Which desktop the program runs on, for messages: "the simulated desktop in FILE".
    QString desktopName() const;
    /// The process's one cache of window pictures.
    ThumbnailCache& thumbnails();

private:
    struct Services;
    explicit Backend(std::unique_ptr<Services> services);
    std::unique_ptr<Services> services_;
};

}  // namespace tandri
