// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <optional>

#include "platform/accessibility.h"

namespace tandri {

/// One window of an application.
struct WindowInfo {
    QString title;
    bool isMinimized = false;
    /// The handle used to raise the window.
    WindowElement element;
    /// The window server's number; absent when it cannot be had (then there is no thumbnail).
    std::optional<quint32> id;
    /// Whether it is the app's main window; absent when the app does not say.
    std::optional<bool> isMain;
};

}  // namespace tandri
