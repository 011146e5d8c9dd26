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

namespace tandri {
namespace {

std::shared_ptr<MenuItem> alternateItem(const QString& title, std::function<void()> action = {}) {
    auto made = MenuItem::titled(title, std::move(action));
    made->alternate = true;
    return made;
}

std::shared_ptr<Menu> menuOf(std::vector<std::shared_ptr<MenuItem>> items) {
    auto menu = std::make_shared<Menu>();
    menu->items = std::move(items);
    return menu;
}

QStringList titles(const QMenu& menu, bool visibleOnly = false) {
    QStringList result;
    for (const QAction* action : menu.actions()) {
        if (visibleOnly && !action->isVisible())
            continue;
        result << (action->isSeparator() ? QStringLiteral("---") : action->text());
    }
    return result;
}

QAction* find(const QMenu& menu, const QString& title) {
    for (QAction* action : menu.actions()) {
        if (action->text() == title)
            return action;
    }
    return nullptr;
}

void sendKey(QWidget& widget, QEvent::Type type, Qt::Key key, Qt::KeyboardModifiers modifiers) {
    QKeyEvent event(type, key, modifiers);
    QApplication::sendEvent(&widget, &event);
}

void pressAlt(QWidget& widget) {
    sendKey(widget, QEvent::KeyPress, Qt::Key_Alt, Qt::AltModifier);
}

void releaseAlt(QWidget& widget) {
    sendKey(widget, QEvent::KeyRelease, Qt::Key_Alt, Qt::NoModifier);
}

// The colour drawn at a point of the icon's small picture.
QColor pixel(const QIcon& icon, int x, int y) {
    return icon.pixmap(16, 16).toImage().pixelColor(x, y);
}

class QtMenuBuilderTest : public ::testing::Test {
protected:
    void TearDown() override {
        while (QWidget* popup = QApplication::activePopupWidget()) popup->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    QMenu qmenu;
};

TEST_F(QtMenuBuilderTest, BuildsTitlesSeparatorsShortcutsAndEnabledState) {
    auto disabled = MenuItem::titled("Unavailable");
    disabled->enabled = false;
    auto quit = MenuItem::titled("Quit");
    quit->keyEquivalent = "q";
    const auto menu = menuOf({MenuItem::titled("Open"), MenuItem::separatorItem(), disabled, quit});
    QtMenuBuilder::fill(qmenu, *menu);

    EXPECT_EQ(titles(qmenu), (QStringList{"Open", "---", "Unavailable", "Quit"}));
    EXPECT_TRUE(find(qmenu, "Open")->isEnabled());
    EXPECT_FALSE(find(qmenu, "Unavailable")->isEnabled());
    EXPECT_EQ(find(qmenu, "Quit")->shortcut(), QKeySequence("Ctrl+Q"));
    EXPECT_TRUE(find(qmenu, "Open")->shortcut().isEmpty());
    EXPECT_TRUE(find(qmenu, "Open")->icon().isNull());
}

TEST_F(QtMenuBuilderTest, TitlesAreShownLiterally) {
    auto withSubmenu = MenuItem::titled("R&D\tfolder");
    withSubmenu->submenu = menuOf({MenuItem::titled("Tom & Jerry")});
    QtMenuBuilder::fill(
        qmenu, *menuOf({MenuItem::titled("Save & Quit"), MenuItem::titled("A\tB"), withSubmenu}));
    // No mnemonic, and nothing after a tab taken for a shortcut.
    EXPECT_EQ(titles(qmenu), (QStringList{"Save && Quit", "A B", "R&&D folder"}));
    EXPECT_EQ(titles(*find(qmenu, "R&&D folder")->menu()), QStringList{"Tom && Jerry"});
}

TEST_F(QtMenuBuilderTest, RefillingReplacesItemsAndDropsOldSubmenus) {
    const auto first = menuOf({MenuItem::titled("A"), MenuItem::titled("Sub")});
    first->items[1]->submenu = menuOf({MenuItem::titled("Inner")});
    QtMenuBuilder::fill(qmenu, *first);
    QPointer<QMenu> oldSubmenu = find(qmenu, "Sub")->menu();
    ASSERT_TRUE(oldSubmenu);

    QtMenuBuilder::fill(qmenu, *menuOf({MenuItem::titled("B")}));
    EXPECT_EQ(titles(qmenu), QStringList{"B"});
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(oldSubmenu) << "a refill each time the menu opens must not pile up submenus";
}

TEST_F(QtMenuBuilderTest, ChoosingRunsTheItemsActionWhileTheModelLives) {
    int opened = 0;
    auto menu =
        menuOf({MenuItem::titled("Open", [&] { ++opened; }), MenuItem::titled("No action")});
    QtMenuBuilder::fill(qmenu, *menu);
    find(qmenu, "Open")->trigger();
    find(qmenu, "No action")->trigger();
    EXPECT_EQ(opened, 1);

    // The model goes away while its menu is still on screen.
    menu.reset();
    find(qmenu, "Open")->trigger();
    EXPECT_EQ(opened, 1);
}

TEST_F(QtMenuBuilderTest, AnActionMayDestroyItsOwnModel) {
    auto menu = std::make_shared<Menu>();
    bool ran = false;
    menu->items.push_back(MenuItem::titled("Clear", [&] {
        menu->items.clear();  // the item, and the action being run, lose their last owner
        ran = true;
    }));
    QtMenuBuilder::fill(qmenu, *menu);
    find(qmenu, "Clear")->trigger();
    EXPECT_TRUE(ran);
    EXPECT_TRUE(menu->items.empty());
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

TEST_F(QtMenuBuilderTest, SubmenusAreBuiltAtEveryDepth) {
    QStringList ran;
    auto deeper = menuOf({MenuItem::titled("Deep", [&] { ran << "Deep"; })});
    auto options = menuOf(
        {MenuItem::titled("Keep on Ring", [&] { ran << "Keep"; }), MenuItem::titled("More")});
    options->items[1]->submenu = deeper;
    auto optionsItem = MenuItem::titled("Options");
    optionsItem->submenu = options;
    const auto menu = menuOf({MenuItem::titled("Top"), optionsItem, MenuItem::separatorItem(),
                              MenuItem::titled("Quit")});
    QtMenuBuilder::fill(qmenu, *menu);

    EXPECT_EQ(titles(qmenu), (QStringList{"Top", "Options", "---", "Quit"}));
    QMenu* sub = find(qmenu, "Options")->menu();
    ASSERT_NE(sub, nullptr);
    EXPECT_EQ(sub->title(), "Options");
    EXPECT_EQ(titles(*sub), (QStringList{"Keep on Ring", "More"}));
    QMenu* subSub = find(*sub, "More")->menu();
    ASSERT_NE(subSub, nullptr);
    EXPECT_EQ(titles(*subSub), QStringList{"Deep"});
    EXPECT_EQ(find(qmenu, "Top")->menu(), nullptr);

    find(*subSub, "Deep")->trigger();
    find(*sub, "Keep on Ring")->trigger();
    EXPECT_EQ(ran, (QStringList{"Deep", "Keep"}));
}

TEST_F(QtMenuBuilderTest, ASubmenusHookRunsEachTimeItOpensAndMayChangeIt) {
    auto recent = std::make_shared<Menu>();
    int opened = 0;
    recent->willOpen = [&] {
        ++opened;
        recent->items = {MenuItem::titled(QStringLiteral("Opened %1").arg(opened))};
    };
    auto recentItem = MenuItem::titled("Recent");
    recentItem->submenu = recent;
    QtMenuBuilder::fill(qmenu, *menuOf({recentItem}));
    QMenu* sub = find(qmenu, "Recent")->menu();
    ASSERT_NE(sub, nullptr);
    EXPECT_EQ(opened, 0);

    sub->popup(QPoint(0, 0));
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(titles(*sub), QStringList{"Opened 1"});
    sub->close();
    sub->popup(QPoint(0, 0));
    EXPECT_EQ(titles(*sub), QStringList{"Opened 2"});
}

TEST_F(QtMenuBuilderTest, CheckMarksAndTheMixedSign) {
    auto main = MenuItem::titled("Main window");
    main->state = MenuItem::State::On;
    auto minimized = MenuItem::titled("Minimized window");
    minimized->state = MenuItem::State::Mixed;
    minimized->mixedStateSymbol = "diamond.fill";
    minimized->mixedStateDescription = "Minimized";
    minimized->symbol = "macwindow";
    auto plainMixed = MenuItem::titled("Some");
    plainMixed->state = MenuItem::State::Mixed;
    const auto menu = menuOf({main, minimized, plainMixed, MenuItem::titled("Other window")});
    QtMenuBuilder::fill(qmenu, *menu);

    QAction* mainAction = find(qmenu, "Main window");
    EXPECT_TRUE(mainAction->isCheckable());
    EXPECT_TRUE(mainAction->isChecked());
    QAction* other = find(qmenu, "Other window");
    EXPECT_FALSE(other->isCheckable()) << "an empty box would read as a setting that is off";
    EXPECT_TRUE(other->icon().isNull());

    QAction* mixed = find(qmenu, "Minimized window");
    EXPECT_FALSE(mixed->isChecked());
    EXPECT_EQ(mixed->toolTip(), "Minimized");
    EXPECT_EQ(mixed->statusTip(), "Minimized");
    EXPECT_TRUE(qmenu.toolTipsVisible());
    // A filled diamond: solid in the middle and towards its points, clear in the corners.
    const QIcon diamond = mixed->icon();
    ASSERT_FALSE(diamond.isNull());
    EXPECT_EQ(pixel(diamond, 8, 8).alpha(), 255);
    EXPECT_EQ(pixel(diamond, 8, 4).alpha(), 255);
    EXPECT_EQ(pixel(diamond, 1, 1).alpha(), 0);
    EXPECT_EQ(pixel(diamond, 14, 14).alpha(), 0);
    EXPECT_EQ(pixel(diamond, 4, 4).alpha(), 0);

    // Without a sign of its own the mixed state shows a dash.
    const QIcon dash = find(qmenu, "Some")->icon();
    ASSERT_FALSE(dash.isNull());
    EXPECT_EQ(pixel(dash, 8, 8).alpha(), 255);
    EXPECT_EQ(pixel(dash, 8, 4).alpha(), 0);
}

TEST_F(QtMenuBuilderTest, SymbolsMapToThemeIconNames) {
    EXPECT_EQ(QtMenuBuilder::themeIconNames("exclamationmark.triangle.fill"),
              QStringList{"dialog-warning"});
    EXPECT_EQ(QtMenuBuilder::themeIconNames("exclamationmark.triangle"),
              QStringList{"dialog-warning"});
    EXPECT_EQ(QtMenuBuilder::themeIconNames("macwindow"), (QStringList{"window", "window-new"}));
    EXPECT_EQ(QtMenuBuilder::themeIconNames("folder.fill.badge.plus"), QStringList{"folder"});
    EXPECT_TRUE(QtMenuBuilder::themeIconNames("no.such.symbol").isEmpty());
    EXPECT_TRUE(QtMenuBuilder::themeIconNames("exclamationmark").isEmpty())
        << "only whole trailing parts are dropped";
    EXPECT_TRUE(QtMenuBuilder::themeIconNames("").isEmpty());
}

TEST_F(QtMenuBuilderTest, SymbolsWithoutAnIconGetNoneOrADiscInTheirColour) {
    const QPalette palette = qmenu.palette();
    EXPECT_TRUE(QtMenuBuilder::symbolIcon("no.such.symbol", std::nullopt, palette).isNull());
    const QIcon disc = QtMenuBuilder::symbolIcon("no.such.symbol", QColor(Qt::red), palette);
    ASSERT_FALSE(disc.isNull());
    EXPECT_EQ(pixel(disc, 8, 8), QColor(Qt::red));
    EXPECT_EQ(pixel(disc, 0, 0).alpha(), 0);
    const QIcon diamond = QtMenuBuilder::symbolIcon("diamond.fill", QColor(Qt::blue), palette);
    EXPECT_EQ(pixel(diamond, 8, 8), QColor(Qt::blue));

    auto unknown = MenuItem::titled("Unknown");
    unknown->symbol = "no.such.symbol";
    QtMenuBuilder::fill(qmenu, *menuOf({unknown}));
    EXPECT_TRUE(find(qmenu, "Unknown")->icon().isNull()) << "no icon rather than a blank one";
}

// Uses an installed icon theme for as long as it lives. Theme icons look their pictures up
// lazily, so the theme must stay set while they are examined.
class InstalledTheme {
public:
    explicit InstalledTheme(const QString& name)
        : savedName_(QIcon::themeName()), savedPaths_(QIcon::themeSearchPaths()) {
        // The offscreen platform looks for themes in the program's resources only.
        QIcon::setThemeSearchPaths(savedPaths_ + QStringList{"/usr/share/icons"});
        QIcon::setThemeName(name);
    }
    ~InstalledTheme() {
        QIcon::setThemeName(savedName_);
        QIcon::setThemeSearchPaths(savedPaths_);
    }

private:
    QString savedName_;
    QStringList savedPaths_;
};

TEST_F(QtMenuBuilderTest, SymbolsUseTheDesktopsIconTheme) {
    if (!QDir("/usr/share/icons/Adwaita").exists())
        GTEST_SKIP() << "the Adwaita icon theme is not installed";
    const InstalledTheme theme("Adwaita");
    auto warning = MenuItem::titled("Shortcut conflict");
    warning->symbol = "exclamationmark.triangle.fill";
    warning->symbolColor = QColor(Qt::yellow);
    auto window = MenuItem::titled("Window");
    window->symbol = "macwindow";
    QtMenuBuilder::fill(qmenu, *menuOf({warning, window}));

    const QIcon warningIcon = find(qmenu, "Shortcut conflict")->icon();
    EXPECT_EQ(warningIcon.name(), "dialog-warning");
    EXPECT_FALSE(warningIcon.availableSizes().isEmpty());
    // Where the theme has no plain window the next name it does have stands in.
    const QIcon windowIcon = find(qmenu, "Window")->icon();
    EXPECT_EQ(windowIcon.name(), QIcon::hasThemeIcon("window") ? "window" : "window-new");
    EXPECT_FALSE(windowIcon.availableSizes().isEmpty());
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
    EXPECT_EQ(titles(styled, true), (QStringList{"Orphan", "Hide", "Quit"}))
        << "an alternate with nothing above it is an ordinary line";

    styled.popup(QPoint(0, 0));
    ASSERT_TRUE(styled.isVisible());
    styled.setActiveAction(find(styled, "Quit"));
    pressAlt(styled);
    EXPECT_TRUE(styled.isVisible()) << "Alt must not close the menu";
    EXPECT_EQ(titles(styled, true), (QStringList{"Orphan", "Hide", "Force Quit"}));
    EXPECT_EQ(styled.activeAction(), find(styled, "Force Quit")) << "the pointer's line stays lit";

    // Other keys carry the modifier state along.
    sendKey(styled, QEvent::KeyPress, Qt::Key_Shift, Qt::AltModifier | Qt::ShiftModifier);
    EXPECT_EQ(titles(styled, true), (QStringList{"Orphan", "Hide", "Force Quit"}));
    releaseAlt(styled);
    EXPECT_EQ(titles(styled, true), (QStringList{"Orphan", "Hide", "Quit"}));
    EXPECT_EQ(styled.activeAction(), find(styled, "Quit"));

    find(styled, "Force Quit")->trigger();
    EXPECT_EQ(ran, QStringList{"Force Quit"});
}

TEST_F(QtMenuBuilderTest, AltInASubmenuSwitchesTheMenusBehindItToo) {
    auto options = menuOf({MenuItem::titled("Close"), alternateItem("Close All")});
    auto optionsItem = MenuItem::titled("Options");
    optionsItem->submenu = options;
    const auto menu = menuOf({optionsItem, MenuItem::titled("Quit"), alternateItem("Force Quit")});
    QtMenuBuilder::fill(qmenu, *menu);
    QMenu* sub = find(qmenu, "Options")->menu();
    ASSERT_NE(sub, nullptr);
    qmenu.popup(QPoint(0, 0));
    sub->popup(QPoint(10, 0));
    ASSERT_EQ(QApplication::activePopupWidget(), sub);

    pressAlt(*sub);
    EXPECT_EQ(titles(*sub, true), QStringList{"Close All"});
    EXPECT_EQ(titles(qmenu, true), (QStringList{"Options", "Force Quit"}));
    releaseAlt(*sub);
    EXPECT_EQ(titles(*sub, true), QStringList{"Close"});
    EXPECT_EQ(titles(qmenu, true), (QStringList{"Options", "Quit"}));

    // Closed menus stop listening.
    sub->close();
    qmenu.close();
    QWidget elsewhere;
    pressAlt(elsewhere);
    pressAlt(qmenu);
    EXPECT_EQ(titles(qmenu, true), (QStringList{"Options", "Quit"}));
}

}  // namespace
}  // namespace tandri
