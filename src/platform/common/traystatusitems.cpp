// SPDX-License-Identifier: MIT
#include "platform/common/traystatusitems.h"

#include <QApplication>
#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <algorithm>
#include <cmath>

#include "platform/common/qtmenubuilder.h"

namespace tandri {

TrayStatusItems::Item::Item(QImage image, const QString& toolTip, std::shared_ptr<Menu> menu,
                            Clock& clock, std::function<bool()> darkPanel)
    : template_(std::move(image)), darkPanel_(std::move(darkPanel)), menu_(std::move(menu)) {
    tint();
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
    // No desktop announces all of its appearance changes in one way; a look at a low rate is
    // cheap (the reading is) and catches every one of them.
    check_ = clock.repeat(appearanceCheck, [this] { tint(); });
}

void TrayStatusItems::Item::tint() {
    const bool dark = darkPanel_();
    if (dark_ == dark)
        return;
    dark_ = dark;
    icon_.setIcon(QIcon(QPixmap::fromImage(tinted(template_, dark))));
}

bool TrayStatusItems::available() {
    return qobject_cast<QApplication*>(QCoreApplication::instance()) &&
           QSystemTrayIcon::isSystemTrayAvailable();
}

TrayStatusItems::TrayStatusItems(Clock& clock, std::function<bool()> darkPanel)
    : clock_(clock), darkPanel_(std::move(darkPanel)) {
    if (!darkPanel_)
        darkPanel_ = [this] {
            return appearance_.read().dark;
        };
}

std::unique_ptr<StatusItem> TrayStatusItems::create(const QImage& image, const QString& toolTip,
                                                    std::shared_ptr<Menu> menu) {
    // Without a tray yet the icon is made all the same: Qt docks it once a tray appears, as
    // when a panel starts after the program or restarts.
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()) || !menu)
        return nullptr;
    return std::make_unique<Item>(image, toolTip, std::move(menu), clock_, darkPanel_);
}

QImage TrayStatusItems::tinted(const QImage& image, bool darkPanel) {
    if (image.isNull())
        return image;
    QImage shape = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const qreal ratio = shape.devicePixelRatio();
    shape.setDevicePixelRatio(1);
    const auto filled = [&shape](const QColor& color) {
        QImage result = shape;
        QPainter painter(&result);
        painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
        painter.fillRect(result.rect(), color);
        return result;
    };
    const QImage glyph = filled(darkPanel ? QColor(245, 245, 245) : QColor(24, 24, 24));
    const QImage edge = filled(darkPanel ? Qt::black : Qt::white);
    // The edge: the shape widened by one point, laid under it at part strength.
    QImage widened(shape.size(), QImage::Format_ARGB32_Premultiplied);
    widened.fill(Qt::transparent);
    {
        QPainter painter(&widened);
        const int reach = std::max(1, int(std::lround(ratio)));
        for (int dx = -reach; dx <= reach; ++dx) {
            for (int dy = -reach; dy <= reach; ++dy) painter.drawImage(dx, dy, edge);
        }
    }
    QImage result(shape.size(), QImage::Format_ARGB32_Premultiplied);
    result.fill(Qt::transparent);
    {
        QPainter painter(&result);
        painter.setOpacity(0.75);
        painter.drawImage(0, 0, widened);
        painter.setOpacity(1);
        painter.drawImage(0, 0, glyph);
    }
    result.setDevicePixelRatio(ratio);
    return result;
}

}  // namespace tandri
