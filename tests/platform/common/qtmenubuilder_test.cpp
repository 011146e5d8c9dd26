// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QMenu>
#include <QPointer>
#include <QStyle>
#include <QStyleFactory>
#include <memory>

#include "platform/common/qtmenubuilder.h"
#include "support/menumodels.h"
#include "support/qtprinters.h"

namespace tandri {
namespace {

using test::alternateItem;
using test::menuOf;
using test::submenuItem;

// The menu as one line, with what each line shows besides its title:
// "Open (icon) | --- | Quit <Ctrl+Q> | Off (disabled) | Options {Keep | Close (hidden)}".
std::string shown(const QMenu& menu) {
    QStringList lines;
    for (const QAction* action : menu.actions()) {
        QString line = action->isSeparator() ? QStringLiteral("---") : action->text();
        if (!action->shortcut().isEmpty())
            line += " <" + action->shortcut().toString() + ">";
        if (!action->isEnabled() && action->isVisible() && !action->isSeparator())
            line += " (disabled)";
        if (action->isCheckable())
            line += action->isChecked() ? " (checked)" : " (unchecked)";
        if (!action->icon().isNull())
            line += " (icon)";
        if (!action->isVisible())
            line += " (hidden)";
        if (action->menu())
            line += " {" + QString::fromStdString(shown(*action->menu())) + "}";
        lines << line;
    }
    return lines.join(" | ").toStdString();
}

QAction* find(const QMenu& menu, const QString& title) {
    for (QAction* action : menu.actions()) {
        if (action->text() == title)
            return action;
    }
    ADD_FAILURE() << "no line " << title.toStdString();
    return nullptr;
}

// Presses Alt, or lets go of it.
void alt(QWidget& widget, bool down) {
    QKeyEvent event(down ? QEvent::KeyPress : QEvent::KeyRelease, Qt::Key_Alt,
                    down ? Qt::AltModifier : Qt::NoModifier);
    QApplication::sendEvent(&widget, &event);
}

// The opacity of the icon's small picture at each point.
std::vector<int> alphas(const QIcon& icon, std::initializer_list<QPoint> points) {
    const QImage image = icon.pixmap(16, 16).toImage();
    std::vector<int> result;
    for (const QPoint point : points) result.push_back(image.pixelColor(point).alpha());
    return result;
}

class QtMenuBuilderTest : public ::testing::Test {
protected:
    void TearDown() override {
        while (QWidget* popup = QApplication::activePopupWidget()) popup->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    QMenu qmenu;
};

TEST_F(QtMenuBuilderTest, BuildsEveryLineAtEveryDepth) {
    QStringList ran;
    auto disabled = MenuItem::titled("Unavailable");
    disabled->enabled = false;
    auto quit = MenuItem::titled("Quit");
    quit->keyEquivalent = "q";
    auto checked = MenuItem::titled("Main window");
    checked->state = MenuItem::State::On;
    const auto menu = menuOf(
        {MenuItem::titled("Open"), MenuItem::separatorItem(), disabled, quit, checked,
         submenuItem("Options",
                     {MenuItem::titled("Keep on Ring", [&] { ran << "Keep"; }),
                      submenuItem("More", {MenuItem::titled("Deep", [&] { ran << "Deep"; })})}),
         // No mnemonic, and nothing after a tab taken for a shortcut.
         MenuItem::titled("Save & Quit"), MenuItem::titled("A\tB"),
         submenuItem("R&D\tfolder", {MenuItem::titled("Tom & Jerry")})});
    QtMenuBuilder::fill(qmenu, *menu);

    // Lines without a check mark get no empty box, which would read as a setting that is off.
    EXPECT_EQ(shown(qmenu),
              "Open | --- | Unavailable (disabled) | Quit <Ctrl+Q> | Main window (checked) | "
              "Options {Keep on Ring | More {Deep}} | Save && Quit | A B | R&&D folder {Tom && "
              "Jerry}");
    QMenu* options = find(qmenu, "Options")->menu();
    EXPECT_EQ(options->title(), "Options");
    find(*find(*options, "More")->menu(), "Deep")->trigger();
    find(*options, "Keep on Ring")->trigger();
    EXPECT_EQ(ran, (QStringList{"Deep", "Keep"}));
}

TEST_F(QtMenuBuilderTest, RefillingReplacesItemsAndDropsOldSubmenus) {
    QtMenuBuilder::fill(
        qmenu, *menuOf({MenuItem::titled("A"), submenuItem("Sub", {MenuItem::titled("Inner")})}));
    QPointer<QMenu> oldSubmenu = find(qmenu, "Sub")->menu();
    ASSERT_TRUE(oldSubmenu);

    QtMenuBuilder::fill(qmenu, *menuOf({MenuItem::titled("B")}));
    EXPECT_EQ(shown(qmenu), "B");
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(oldSubmenu) << "a refill each time the menu opens must not pile up submenus";
}

TEST_F(QtMenuBuilderTest, ChoosingRunsTheItemsActionWhileTheModelLives) {
    int opened = 0;
    auto menu =
        menuOf({MenuItem::titled("Open", [&] { ++opened; }), MenuItem::titled("No action")});
    // An action may also take away its own item, and with it the action being run.
    menu->items.push_back(MenuItem::titled("Clear", [&] { menu->items.clear(); }));
    QtMenuBuilder::fill(qmenu, *menu);
    find(qmenu, "Open")->trigger();
    find(qmenu, "No action")->trigger();
    EXPECT_EQ(opened, 1);
    find(qmenu, "Clear")->trigger();
    EXPECT_TRUE(menu->items.empty());

    // The model goes away while its menu is still on screen.
    menu.reset();
    find(qmenu, "Open")->trigger();
    EXPECT_EQ(opened, 1);
}

TEST_F(QtMenuBuilderTest, AChooserReceivesTheChoiceInsteadOfRunningIt) {
    bool ran = false;
    const auto menu = menuOf({MenuItem::titled("Go", [&] { ran = true; })});
    std::weak_ptr<MenuItem> chosen;
    QtMenuBuilder::fill(qmenu, *menu, [&](const std::weak_ptr<MenuItem>& item) { chosen = item; });
    find(qmenu, "Go")->trigger();
    EXPECT_FALSE(ran);
    EXPECT_EQ(chosen.lock(), menu->items[0]);
    QtMenuBuilder::run(chosen);
    EXPECT_TRUE(ran);
}

TEST_F(QtMenuBuilderTest, ASubmenusHookRunsEachTimeItOpensAndMayChangeIt) {
    auto recent = submenuItem("Recent", {});
    int opened = 0;
    recent->submenu->willOpen = [&] {
        ++opened;
        recent->submenu->items = {MenuItem::titled(QStringLiteral("Opened %1").arg(opened))};
    };
    QtMenuBuilder::fill(qmenu, *menuOf({recent}));
    QMenu* sub = find(qmenu, "Recent")->menu();
    EXPECT_EQ(opened, 0);

    sub->popup(QPoint(0, 0));
    EXPECT_EQ(shown(*sub), "Opened 1");
    sub->close();
    sub->popup(QPoint(0, 0));
    EXPECT_EQ(shown(*sub), "Opened 2");
}

TEST_F(QtMenuBuilderTest, TheMixedStateShowsItsSignOrADash) {
    auto minimized = MenuItem::titled("Minimized window");
    minimized->state = MenuItem::State::Mixed;
    minimized->mixedStateSymbol = "diamond.fill";
    minimized->mixedStateDescription = "Minimized";
    minimized->symbol = "macwindow";
    auto plainMixed = MenuItem::titled("Some");
    plainMixed->state = MenuItem::State::Mixed;
    QtMenuBuilder::fill(qmenu, *menuOf({minimized, plainMixed}));

    EXPECT_EQ(shown(qmenu), "Minimized window (icon) | Some (icon)");
    QAction* mixed = find(qmenu, "Minimized window");
    EXPECT_EQ(mixed->toolTip(), "Minimized");
    EXPECT_EQ(mixed->statusTip(), "Minimized");
    EXPECT_TRUE(qmenu.toolTipsVisible());
    // A filled diamond: solid in the middle and towards its points, clear in the corners.
    EXPECT_EQ(alphas(mixed->icon(), {{8, 8}, {8, 4}, {1, 1}, {14, 14}, {4, 4}}),
              (std::vector<int>{255, 255, 0, 0, 0}));
    // Without a sign of its own the mixed state shows a dash.
    EXPECT_EQ(alphas(find(qmenu, "Some")->icon(), {{8, 8}, {8, 4}}), (std::vector<int>{255, 0}));
}

TEST_F(QtMenuBuilderTest, SymbolsMapToThemeNamesAndWithoutAnIconGetNoneOrADisc) {
    EXPECT_EQ(QtMenuBuilder::themeIconNames("exclamationmark.triangle.fill"),
              QStringList{"dialog-warning"});
    EXPECT_EQ(QtMenuBuilder::themeIconNames("macwindow"), (QStringList{"window", "window-new"}));
    EXPECT_EQ(QtMenuBuilder::themeIconNames("folder.fill.badge.plus"), QStringList{"folder"});
    EXPECT_TRUE(QtMenuBuilder::themeIconNames("no.such.symbol").isEmpty());
    EXPECT_TRUE(QtMenuBuilder::themeIconNames("exclamationmark").isEmpty())
        << "only whole trailing parts are dropped";
    EXPECT_TRUE(QtMenuBuilder::themeIconNames("").isEmpty());

    const QPalette palette = qmenu.palette();
    EXPECT_TRUE(QtMenuBuilder::symbolIcon("no.such.symbol", std::nullopt, palette).isNull());
    const QIcon disc = QtMenuBuilder::symbolIcon("no.such.symbol", QColor(Qt::red), palette);
    EXPECT_EQ(disc.pixmap(16, 16).toImage().pixelColor(8, 8), QColor(Qt::red));
    EXPECT_EQ(alphas(disc, {{0, 0}}), std::vector<int>{0});
    const QIcon diamond = QtMenuBuilder::symbolIcon("diamond.fill", QColor(Qt::blue), palette);
    EXPECT_EQ(diamond.pixmap(16, 16).toImage().pixelColor(8, 8), QColor(Qt::blue));

    auto unknown = MenuItem::titled("Unknown");
    unknown->symbol = "no.such.symbol";
    QtMenuBuilder::fill(qmenu, *menuOf({unknown}));
    EXPECT_EQ(shown(qmenu), "Unknown") << "no icon rather than a blank one";
}

TEST_F(QtMenuBuilderTest, SymbolsUseTheDesktopsIconTheme) {
    if (!QDir("/usr/share/icons/Adwaita").exists())
        GTEST_SKIP() << "the Adwaita icon theme is not installed";
    // Theme icons look their pictures up lazily: the theme stays set while they are examined.
    // The offscreen platform looks for themes in the program's resources only.
    const QString savedName = QIcon::themeName();
    const QStringList savedPaths = QIcon::themeSearchPaths();
    QIcon::setThemeSearchPaths(savedPaths + QStringList{"/usr/share/icons"});
    QIcon::setThemeName("Adwaita");
    auto warning = MenuItem::titled("Shortcut conflict");
    warning->symbol = "exclamationmark.triangle.fill";
    warning->symbolColor = QColor(Qt::yellow);
    auto window = MenuItem::titled("Window");
    window->symbol = "macwindow";
    QtMenuBuilder::fill(qmenu, *menuOf({warning, window}));

    const QIcon warningIcon = find(qmenu, "Shortcut conflict")->icon();
    // Where the theme has no plain window the next name it does have stands in.
    const QIcon windowIcon = find(qmenu, "Window")->icon();
    const QString windowName = QIcon::hasThemeIcon("window") ? "window" : "window-new";
    EXPECT_EQ(warningIcon.name(), "dialog-warning");
    EXPECT_FALSE(warningIcon.availableSizes().isEmpty());
    EXPECT_EQ(windowIcon.name(), windowName);
    EXPECT_FALSE(windowIcon.availableSizes().isEmpty());
    QIcon::setThemeName(savedName);
    QIcon::setThemeSearchPaths(savedPaths);
}

TEST_F(QtMenuBuilderTest, AnAlternateTakesThePlaceAboveItWhileAltIsHeld) {
    // A style that closes menus on Alt, as some do for menu-bar navigation.
    const std::unique_ptr<QStyle> style(QStyleFactory::create("Windows"));
    ASSERT_NE(style, nullptr);
    QMenu styled;  // after the style, which it must not outlive
    styled.setStyle(style.get());
    QStringList ran;
    const auto menu = menuOf({alternateItem("Orphan"), MenuItem::titled("Hide"),
                              MenuItem::titled("Quit", [&] { ran << "Quit"; }),
                              alternateItem("Force Quit", [&] { ran << "Force Quit"; })});
    QtMenuBuilder::fill(styled, *menu);
    // An alternate with nothing above it is an ordinary line.
    const std::string released = "Orphan | Hide | Quit | Force Quit (hidden)";
    const std::string held = "Orphan | Hide | Quit (hidden) | Force Quit";
    EXPECT_EQ(shown(styled), released);

    styled.popup(QPoint(0, 0));
    ASSERT_TRUE(styled.isVisible());
    styled.setActiveAction(find(styled, "Quit"));
    alt(styled, true);
    EXPECT_TRUE(styled.isVisible()) << "Alt must not close the menu";
    EXPECT_EQ(shown(styled), held);
    EXPECT_EQ(styled.activeAction(), find(styled, "Force Quit")) << "the pointer's line stays lit";

    // Other keys carry the modifier state along.
    QKeyEvent shift(QEvent::KeyPress, Qt::Key_Shift, Qt::AltModifier | Qt::ShiftModifier);
    QApplication::sendEvent(&styled, &shift);
    EXPECT_EQ(shown(styled), held);
    alt(styled, false);
    EXPECT_EQ(shown(styled), released);
    EXPECT_EQ(styled.activeAction(), find(styled, "Quit"));

    find(styled, "Force Quit")->trigger();
    EXPECT_EQ(ran, QStringList{"Force Quit"});
}

TEST_F(QtMenuBuilderTest, AltInASubmenuSwitchesTheMenusBehindItToo) {
    const auto menu =
        menuOf({submenuItem("Options", {MenuItem::titled("Close"), alternateItem("Close All")}),
                MenuItem::titled("Quit"), alternateItem("Force Quit")});
    QtMenuBuilder::fill(qmenu, *menu);
    QMenu* sub = find(qmenu, "Options")->menu();
    qmenu.popup(QPoint(0, 0));
    sub->popup(QPoint(10, 0));
    ASSERT_EQ(QApplication::activePopupWidget(), sub);
    const std::string released =
        "Options {Close | Close All (hidden)} | Quit | Force Quit (hidden)";

    alt(*sub, true);
    EXPECT_EQ(shown(qmenu), "Options {Close (hidden) | Close All} | Quit (hidden) | Force Quit");
    alt(*sub, false);
    EXPECT_EQ(shown(qmenu), released);

    // Closed menus stop listening.
    sub->close();
    qmenu.close();
    QWidget elsewhere;
    alt(elsewhere, true);
    alt(qmenu, true);
    EXPECT_EQ(shown(qmenu), released);
}

}  // namespace
}  // namespace tandri
