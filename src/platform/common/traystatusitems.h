#pragma once

#include "platform/statusitems.h"

namespace tandri {

/// Status items as system-tray icons (the freedesktop StatusNotifier or XEmbed tray, through
/// Qt), each with a menu rebuilt from its model every time it opens.
class TrayStatusItems : public StatusItems {
public:
    /// Whether the desktop shows tray icons now.
    static bool available();

    /// Null only without a widget application: a tray that appears later gets the icon.
    [[nodiscard]] std::unique_ptr<StatusItem> create(const QImage& image, const QString& toolTip,
                                                     std::shared_ptr<Menu> menu) override;

private:
    class Item;
};

}  // namespace tandri
