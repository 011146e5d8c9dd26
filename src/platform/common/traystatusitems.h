// SPDX-License-Identifier: MIT
#pragma once

#include <QImage>
#include <QMenu>
#include <QSystemTrayIcon>
#include <functional>

#include "platform/clock.h"
#include "platform/common/desktopappearance.h"
#include "platform/statusitems.h"

namespace tandri {

/// Status items as system-tray icons (the freedesktop StatusNotifier or XEmbed tray, through
/// Qt), each with a menu rebuilt from its model every time it opens. The tray does not tint
/// icons here: the template is drawn light on a dark appearance and dark on a light one, and
/// drawn again when the appearance changes.
class TrayStatusItems : public StatusItems {
public:
    class Item;

    /// Seconds between two looks at the appearance: a change shows within that time.
    static constexpr double appearanceCheck = 2.0;

    /// Whether the desktop shows tray icons now.
    static bool available();

    /// `darkPanel` says whether the tray is dark; without it, the desktop's dark appearance.
    explicit TrayStatusItems(Clock& clock, std::function<bool()> darkPanel = {});

    /// Null only without a widget application: a tray that appears later gets the icon.
    [[nodiscard]] std::unique_ptr<StatusItem> create(const QImage& image, const QString& toolTip,
                                                     std::shared_ptr<Menu> menu) override;

    /// A black template drawn for a tray: light on a dark one, dark on a light one, edged in the
    /// other colour so that it stays legible on a tray whose colour was guessed wrong (GNOME's
    /// panel is dark in the light appearance too).
    static QImage tinted(const QImage& image, bool darkPanel);

private:
    Clock& clock_;
    DesktopAppearance appearance_;
    std::function<bool()> darkPanel_;
};

/// One tray icon; destroying it removes the icon.
class TrayStatusItems::Item : public StatusItem {
public:
    Item(QImage image, const QString& toolTip, std::shared_ptr<Menu> menu, Clock& clock,
         std::function<bool()> darkPanel);

    /// The picture shown now.
    QIcon icon() const { return icon_.icon(); }

private:
    void tint();

    QImage template_;
    std::function<bool()> darkPanel_;
    std::optional<bool> dark_;
    std::shared_ptr<Menu> menu_;
    QMenu qmenu_;
    QSystemTrayIcon icon_;
    std::unique_ptr<Timer> check_;
};

}  // namespace tandri
