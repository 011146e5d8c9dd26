// SPDX-License-Identifier: MIT
#pragma once

#include <QImage>
#include <QRect>
#include <QString>
#include <memory>
#include <mutex>

struct wl_display;

namespace tandri::wayland {

/// Copies a region of an output through wlroots' screencopy (zwlr_screencopy_manager_v1) into
/// shared memory, on a Wayland connection of its own so that a copy may block a background thread
/// and never the main one's connection. Any thread; copies wait for one another.
class ScreenCopier {
public:
    ScreenCopier();
    ~ScreenCopier();
    ScreenCopier(const ScreenCopier&) = delete;
    ScreenCopier& operator=(const ScreenCopier&) = delete;

    /// Whether the compositor offers screencopy; asks it once, on first use.
    bool available();
    /// The pixels of `region` (the output's logical coordinates) of the output named `output`,
    /// at the output's scale, without the pointer; null when the output is unknown, the
    /// compositor refuses, or it does not answer within `timeoutMs`.
    QImage copy(const QString& output, const QRect& region, int timeoutMs = 2000);

private:
    struct Session;
    Session* session();

    std::mutex mutex_;
    bool tried_ = false;
    std::unique_ptr<Session> session_;
};

}  // namespace tandri::wayland
