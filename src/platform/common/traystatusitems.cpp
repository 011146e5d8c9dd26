#include "platform/common/traystatusitems.h"

#include <QApplication>
#include <QIcon>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QSystemTrayIcon>

namespace tandri {

namespace {

// The system's symbols have no counterpart in icon themes; the warning sign is the one in use.
QIcon symbolIcon(const MenuItem& item) {
    const QString name = item.symbol->startsWith(QStringLiteral("exclamationmark.triangle"))
                             ? QStringLiteral("dialog-warning")
                             : QString();
    QIcon icon = QIcon::fromTheme(name);
    if (!icon.isNull() || !item.symbolColor)
        return icon;
    // No theme icon: a small disc in the symbol's colour still draws the eye to the line.
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(*item.symbolColor);
    painter.drawEllipse(QRectF(2, 2, 12, 12));
    return QIcon(pixmap);
}

void fill(QMenu& qmenu, const Menu& menu) {
    qmenu.clear();
    for (const auto& item : menu.items) {
        if (item->separator) {
            qmenu.addSeparator();
            continue;
        }
        QAction* action = qmenu.addAction(item->title);
        action->setEnabled(item->enabled);
        if (item->symbol)
            action->setIcon(symbolIcon(*item));
        if (!item->keyEquivalent.isEmpty())
            action->setShortcut(QKeySequence(QStringLiteral("Ctrl+") + item->keyEquivalent));
        std::weak_ptr<MenuItem> weak = item;
        QObject::connect(action, &QAction::triggered, [weak] {
            if (auto chosen = weak.lock(); chosen && chosen->action) {
                auto run = chosen->action;
                run();
            }
        });
    }
}

}  // namespace

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
            fill(qmenu_, *menu_);
        });
        // A left click opens the same menu, as the menu bar's icon does.
        QObject::connect(&icon_, &QSystemTrayIcon::activated,
                         [this](QSystemTrayIcon::ActivationReason reason) {
                             if (reason == QSystemTrayIcon::Trigger)
                                 qmenu_.popup(QCursor::pos());
                         });
        fill(qmenu_, *menu_);
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
    if (!available() || !menu)
        return nullptr;
    return std::make_unique<Item>(image, toolTip, std::move(menu));
}

}  // namespace tandri
