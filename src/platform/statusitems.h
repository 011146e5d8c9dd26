// SPDX-License-Identifier: MIT
#pragma once

#include <QImage>
#include <QString>
#include <memory>

#include "platform/menu.h"

namespace tandri {

/// The program's icon in the menu bar or system tray; destroying it removes the icon.
class StatusItem {
public:
    virtual ~StatusItem() = default;
};

/// The menu bar or system tray. Main thread.
class StatusItems {
public:
    virtual ~StatusItems() = default;
    /// Shows `image` (a black template the system may tint) with a tool tip; clicking it opens
    /// `menu`, whose `willOpen` runs first each time. Null when the desktop has no place for
    /// status icons; the menu still exists for whoever holds it.
    [[nodiscard]] virtual std::unique_ptr<StatusItem> create(const QImage& image,
                                                             const QString& toolTip,
                                                             std::shared_ptr<Menu> menu) = 0;
};

}  // namespace tandri
