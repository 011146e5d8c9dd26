#include "platform/common/traystatusitems.h"

#include <QApplication>
#include <QIcon>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QSystemTrayIcon>

#include "platform/common/qtmenubuilder.h"

namespace tandri {

class TrayStatusItems::Item : public StatusItem {
public:
    Item(const QImage& image, const QString& toolTip, std::shared_ptr<Menu> menu)
        : menu_(std::move(menu)) {
        QImage tinted = image;
        // Tray icons are not tinted by the system here; draw the template in the palette's text
        // colour so it stays visible on dark panels.
        if (!tinted.isNull()) {
            tinted = tinted.convertToFormat(QImage::Format_ARGB32_Premultiplied);
            QPainter painter(&tinted);
            painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
            painter.fillRect(tinted.rect(), QApplication::palette().windowText());
        }
        icon_.setIcon(QIcon(QPixmap::fromImage(tinted)));
        icon_.setToolTip(toolTip);
        icon_.setContextMenu(&qmenu_);
        QObject::connect(&qmenu_, &QMenu::aboutToShow, [this] {
            if (menu_->willOpen)
                menu_->willOpen();
            QtMenuBuilder::fill(qmenu_, *menu_);
        });
        // A left click opens the same menu, as the menu bar's icon does.
        QObject::connect(&icon_, &QSystemTrayIcon::activated,
                         [this](QSystemTrayIcon::ActivationReason reason) {
                             if (reason == QSystemTrayIcon::Trigger)
                                 qmenu_.popup(QCursor::pos());
                         });
        QtMenuBuilder::fill(qmenu_, *menu_);
        icon_.show();
    }

private:
    std::shared_ptr<Menu> menu_;
    QMenu qmenu_;
    QSystemTrayIcon icon_;
};

bool TrayStatusItems::available() {
    return qobject_cast<QApplication*>(QCoreApplication::instance()) &&
           QSystemTrayIcon::isSystemTrayAvailable();
}

std::unique_ptr<StatusItem> TrayStatusItems::create(const QImage& image, const QString& toolTip,
                                                    std::shared_ptr<Menu> menu) {
    // Without a tray yet the icon is made all the same: Qt docks it once a tray appears, as
    // when a panel starts after the program or restarts.
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()) || !menu)
        return nullptr;
    return std::make_unique<Item>(image, toolTip, std::move(menu));
}

}  // namespace tandri
