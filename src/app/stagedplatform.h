// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QColor>
#include <QString>
#include <memory>

#include "platform/platform.h"

namespace tandri {

class ThumbnailCache;
namespace sim {
class SimDesktop;
}

/// A simulated desktop made up for pictures, kept apart from the user's: its preferences live
/// in a folder of the caller's, and its clock and queues move only when told. It speaks the
/// words of the Linux desktop, and has no Dock and no window overview, as Linux has none.
class StagedPlatform {
public:
    /// The desktop `description` describes, with its preferences under `configFolder`; null,
    /// with `error` set, when the description does not load.
    static std::unique_ptr<StagedPlatform> create(const QByteArray& description,
                                                  const QString& configFolder, QString* error);
    /// The made-up desktop of the pictures (StagedDesktop), dark or light with `accent`, its
    /// real part and its preferences under `folder`, its apps pinned and window thumbnails on.
    static std::unique_ptr<StagedPlatform> sample(const QString& folder, bool dark,
                                                  const QColor& accent, QString* error);
    ~StagedPlatform();
    StagedPlatform(const StagedPlatform&) = delete;
    StagedPlatform& operator=(const StagedPlatform&) = delete;

    Platform& platform();
    sim::SimDesktop& desktop();
    ThumbnailCache& thumbnails();
    /// Lets `seconds` of the desktop's time pass, frame by frame, running its background work
    /// and what that hands back as it comes.
    void run(double seconds);

private:
    struct Services;
    explicit StagedPlatform(std::unique_ptr<Services> services);
    std::unique_ptr<Services> services_;
};

}  // namespace tandri
