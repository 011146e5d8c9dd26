// SPDX-License-Identifier: MIT
#include "platform/common/qtmenubuilder.h"

#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPointer>
#include <array>
#include <utility>
#include <vector>

namespace tandri {

namespace {

const auto keeperName = QStringLiteral("tandri-alternates");
// Marks the submenus this builder made, so that a refill can drop them.
const char* const builtSubmenu = "tandriBuiltSubmenu";

// Shows each alternate in place of the item above it while Alt is held. Key events go to the
// innermost open menu, so while its menu is shown the keeper listens to the whole application:
// Alt pressed in a submenu switches the items of the menus behind it too.
class AlternateKeeper : public QObject {
public:
    explicit AlternateKeeper(QMenu& menu) : QObject(&menu), menu_(menu), listener_(*this) {
        setObjectName(keeperName);
        menu.installEventFilter(this);
    }

    static AlternateKeeper& of(QMenu& menu) {
        auto* existing = menu.findChild<QObject*>(keeperName, Qt::FindDirectChildrenOnly);
        if (auto* keeper = dynamic_cast<AlternateKeeper*>(existing))
            return *keeper;
        // Owned by the menu, as Qt children are.
        return *new AlternateKeeper(menu);
    }

    void clear() { pairs_.clear(); }

    void add(QAction* primary, QAction* alternate) {
        pairs_.push_back({primary, alternate});
        primary->setVisible(!held_);
        alternate->setVisible(held_);
    }

protected:
    // The menu's own events. Application filters see every event before this one does.
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != &menu_)
            return false;
        switch (event->type()) {
            case QEvent::Show:
                if (QCoreApplication* app = QCoreApplication::instance())
                    app->installEventFilter(&listener_);
                hold(QGuiApplication::queryKeyboardModifiers().testFlag(Qt::AltModifier));
                break;
            case QEvent::Hide:
                if (QCoreApplication* app = QCoreApplication::instance())
                    app->removeEventFilter(&listener_);
                break;
            case QEvent::KeyPress:
            case QEvent::KeyRelease:
                // Some styles close a menu on Alt, for menu-bar navigation; here Alt only
                // switches items.
                return static_cast<const QKeyEvent*>(event)->key() == Qt::Key_Alt;
            default:
                break;
        }
        return false;
    }

private:
    // Follows the Alt key through every key event of the application; consumes none.
    class Listener : public QObject {
    public:
        explicit Listener(AlternateKeeper& keeper) : keeper_(keeper) {}
        ~Listener() override {
            if (QCoreApplication* app = QCoreApplication::instance())
                app->removeEventFilter(this);
        }

    protected:
        bool eventFilter(QObject*, QEvent* event) override {
            if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease)
                return false;
            const auto* key = static_cast<const QKeyEvent*>(event);
            if (key->key() == Qt::Key_Alt)
                keeper_.hold(event->type() == QEvent::KeyPress);
            else
                keeper_.hold(key->modifiers().testFlag(Qt::AltModifier));
            return false;
        }

    private:
        AlternateKeeper& keeper_;
    };

    struct Pair {
        QPointer<QAction> primary;
        QPointer<QAction> alternate;
    };

    void hold(bool held) {
        held_ = held;
        for (const Pair& pair : pairs_) {
            if (!pair.primary || !pair.alternate)
                continue;
            QAction* shown = held ? pair.alternate.data() : pair.primary.data();
            QAction* hidden = held ? pair.primary.data() : pair.alternate.data();
            const bool wasActive = menu_.activeAction() == hidden;
            hidden->setVisible(false);
            shown->setVisible(true);
            // The pointer rests on the same line; keep it highlighted under its new title.
            if (wasActive)
                menu_.setActiveAction(shown);
        }
    }

    QMenu& menu_;
    std::vector<Pair> pairs_;
    bool held_ = false;
    Listener listener_;
};

// Icons are drawn at the menu's small size and at twice that for dense screens.
template <typename Draw>
QIcon drawnIcon(const QColor& normal, const QColor& active, Draw draw) {
    QIcon icon;
    for (const int side : {16, 32}) {
        for (const auto& [mode, colour] :
             {std::pair{QIcon::Normal, normal}, {QIcon::Active, active}}) {
            QPixmap pixmap(side, side);
            pixmap.fill(Qt::transparent);
            QPainter painter(&pixmap);
            painter.setRenderHint(QPainter::Antialiasing);
            painter.scale(side / 16.0, side / 16.0);
            draw(painter, colour);
            painter.end();
            icon.addPixmap(pixmap, mode);
        }
    }
    return icon;
}

QPainterPath diamond() {
    QPainterPath path;
    path.moveTo(8, 3);
    path.lineTo(13, 8);
    path.lineTo(8, 13);
    path.lineTo(3, 8);
    path.closeSubpath();
    return path;
}

QIcon diamondIcon(bool filled, const QColor& normal, const QColor& active) {
    return drawnIcon(normal, active, [filled](QPainter& painter, const QColor& colour) {
        if (filled) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(colour);
        } else {
            painter.setPen(QPen(colour, 1.25));
            painter.setBrush(Qt::NoBrush);
        }
        painter.drawPath(diamond());
    });
}

// The symbols the program uses and the freedesktop names that come closest, best first.
struct ThemeNames {
    const char* symbol;
    std::array<const char*, 2> names;  // null where there is no second choice
};

const ThemeNames themeTable[] = {
    {"macwindow", {"window", "window-new"}},
    {"exclamationmark.triangle", {"dialog-warning", nullptr}},
    {"exclamationmark.octagon", {"dialog-error", nullptr}},
    {"xmark.octagon", {"dialog-error", nullptr}},
    {"info.circle", {"dialog-information", nullptr}},
    {"questionmark.circle", {"help-about", "help-contents"}},
    {"folder", {"folder", nullptr}},
    {"trash", {"user-trash", nullptr}},
    {"doc", {"text-x-generic", nullptr}},
    {"gearshape", {"preferences-system", nullptr}},
    {"gear", {"preferences-system", nullptr}},
    {"power", {"system-shutdown", nullptr}},
    {"magnifyingglass", {"edit-find", nullptr}},
    {"plus", {"list-add", nullptr}},
    {"minus", {"list-remove", nullptr}},
};

// Titles are shown as they are: "&" would otherwise mark a mnemonic (and vanish) and a tab
// would start the shortcut column. Window titles contain both.
QString literal(const QString& title) {
    QString text = title;
    text.replace(u'&', QStringLiteral("&&"));
    text.replace(u'\t', u' ');
    return text;
}

}  // namespace

QStringList QtMenuBuilder::themeIconNames(const QString& symbol) {
    // Variants such as ".fill" or ".circle" share their base symbol's icon: try the whole name,
    // then drop trailing parts one at a time.
    QString name = symbol;
    while (!name.isEmpty()) {
        for (const ThemeNames& entry : themeTable) {
            if (name == QLatin1String(entry.symbol)) {
                QStringList names;
                for (const char* themeName : entry.names) {
                    if (themeName)
                        names << QString::fromLatin1(themeName);
                }
                return names;
            }
        }
        const qsizetype dot = name.lastIndexOf(u'.');
        if (dot < 0)
            break;
        name.truncate(dot);
    }
    return {};
}

QIcon QtMenuBuilder::symbolIcon(const QString& symbol, const std::optional<QColor>& color,
                                const QPalette& palette) {
    const QColor normal = color.value_or(palette.color(QPalette::WindowText));
    const QColor active = color.value_or(palette.color(QPalette::HighlightedText));
    if (symbol == QLatin1String("diamond.fill") || symbol == QLatin1String("diamond"))
        return diamondIcon(symbol.endsWith(QLatin1String(".fill")), normal, active);
    for (const QString& name : themeIconNames(symbol)) {
        // Only names the theme has: a missing one would leave an empty gap, not a fallback.
        if (QIcon::hasThemeIcon(name))
            return QIcon::fromTheme(name);
    }
    if (!color)
        return {};
    // No theme icon: a small disc in the symbol's colour still draws the eye to the line.
    return drawnIcon(*color, *color, [](QPainter& painter, const QColor& colour) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(colour);
        painter.drawEllipse(QRectF(2, 2, 12, 12));
    });
}

QIcon QtMenuBuilder::mixedStateIcon(const std::optional<QString>& symbol, const QPalette& palette) {
    if (symbol) {
        QIcon icon = symbolIcon(*symbol, std::nullopt, palette);
        if (!icon.isNull())
            return icon;
    }
    // The customary sign of a mixed state: a short dash.
    return drawnIcon(palette.color(QPalette::WindowText), palette.color(QPalette::HighlightedText),
                     [](QPainter& painter, const QColor& colour) {
                         painter.setPen(Qt::NoPen);
                         painter.setBrush(colour);
                         painter.drawRoundedRect(QRectF(3.5, 7, 9, 2), 1, 1);
                     });
}

void QtMenuBuilder::run(const std::weak_ptr<MenuItem>& item) {
    if (auto chosen = item.lock(); chosen && chosen->action) {
        // A copy: the action may change or destroy the model that holds it.
        auto action = chosen->action;
        action();
    }
}

void QtMenuBuilder::fill(QMenu& qmenu, const Menu& menu, Choose choose) {
    if (!choose)
        choose = [](const std::weak_ptr<MenuItem>& item) {
            run(item);
        };

    // Clearing deletes the menu's own actions but not the submenus it made; those go too.
    for (QAction* action : qmenu.actions()) {
        if (QMenu* sub = action->menu(); sub && sub->property(builtSubmenu).toBool())
            sub->deleteLater();
    }
    qmenu.clear();
    AlternateKeeper& keeper = AlternateKeeper::of(qmenu);
    keeper.clear();

    const QPalette palette = qmenu.palette();
    QAction* previous = nullptr;  // the line an alternate stands in for
    for (const auto& item : menu.items) {
        if (item->separator) {
            qmenu.addSeparator();
            previous = nullptr;
            continue;
        }
        QAction* action = nullptr;
        if (item->submenu) {
            QMenu* sub = qmenu.addMenu(literal(item->title));
            sub->setProperty(builtSubmenu, true);
            fill(*sub, *item->submenu, choose);
            // The submenu's own hook runs each time it opens, and may change its items.
            std::weak_ptr<Menu> weakSubmenu = item->submenu;
            QObject::connect(sub, &QMenu::aboutToShow, sub, [sub, weakSubmenu, choose] {
                if (auto model = weakSubmenu.lock(); model && model->willOpen) {
                    auto willOpen = model->willOpen;
                    willOpen();
                    fill(*sub, *model, choose);
                }
            });
            action = sub->menuAction();
        } else {
            action = qmenu.addAction(literal(item->title));
            std::weak_ptr<MenuItem> weak = item;
            QObject::connect(action, &QAction::triggered, action, [weak, choose] { choose(weak); });
        }
        action->setEnabled(item->enabled);
        if (!item->keyEquivalent.isEmpty())
            action->setShortcut(QKeySequence(QStringLiteral("Ctrl+") + item->keyEquivalent));

        switch (item->state) {
            case MenuItem::State::On:
                action->setCheckable(true);
                action->setChecked(true);
                break;
            case MenuItem::State::Mixed:
                // Menus have no third mark; the sign takes the icon's place and says what it
                // means when pointed at.
                action->setIcon(mixedStateIcon(item->mixedStateSymbol, palette));
                action->setToolTip(item->mixedStateDescription);
                action->setStatusTip(item->mixedStateDescription);
                qmenu.setToolTipsVisible(true);
                break;
            case MenuItem::State::Off:
                break;
        }
        if (item->symbol && item->state != MenuItem::State::Mixed)
            action->setIcon(symbolIcon(*item->symbol, item->symbolColor, palette));

        if (item->alternate && previous) {
            keeper.add(previous, action);
            previous = nullptr;  // one alternate per line
        } else {
            previous = action;
        }
    }
}

}  // namespace tandri
