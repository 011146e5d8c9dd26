// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include "platform/x11/x11pointerbuttons.h"
#include "x11session.h"

// Last: Xlib's macros clash with Qt's headers.
#include "platform/x11/xlib.h"

namespace tandri {

// Found by argument-dependent lookup from the comparisons below.
static bool operator==(const ButtonEvent& a, const ButtonEvent& b) {
    return a.type == b.type && a.button == b.button;
}

static void PrintTo(const ButtonEvent& event, std::ostream* out) {
    using Type = ButtonEvent::Type;
    *out << (event.type == Type::Down ? "down "
             : event.type == Type::Up ? "up "
                                      : "dragged ")
         << event.button;
}

namespace x11::test {
namespace {

using Type = ButtonEvent::Type;
using Events = std::vector<ButtonEvent>;

// Each button pressed and let go.
Events clicked(std::initializer_list<int> buttons) {
    Events events;
    for (int button : buttons)
        events.insert(events.end(), {{Type::Down, button}, {Type::Up, button}});
    return events;
}

class X11PointerButtonsTest : public ::testing::Test {
protected:
    void SetUp() override {
        connection = X11Connection::open();
        ASSERT_TRUE(connection);
        buttons = std::make_unique<X11PointerButtons>(*connection);
        ASSERT_TRUE(moveTo(target.center()));
    }

    // Clicks these X buttons over the other program's window, until it has had `presses` in all.
    bool click(std::initializer_list<int> xButtons, size_t presses) {
        QStringList arguments;
        for (int button : xButtons) arguments << "click" << QString::number(button);
        return xdotool(arguments) &&
               waitFor(*connection, [&] { return target.presses().size() >= presses; });
    }
    // A filter that records what it sees into `into` and takes it when `takes`.
    std::unique_ptr<Monitor> filter(Events& into, const bool& takes) {
        return buttons->filterOtherButtons([&](const ButtonEvent& event) {
            into.push_back(event);
            return takes;
        });
    }

    std::unique_ptr<X11Connection> connection;
    std::unique_ptr<X11PointerButtons> buttons;
    ClickTarget target{QRect(300, 300, 200, 200)};
    Events filtered;
    Events heard;
    static constexpr bool takes = true, leaves = false;
};

TEST(X11PointerButtonNumbers, XButtonsBecomeOurs) {
    for (const auto& [x, ours] : {std::pair{1u, 0}, {3u, 1}, {2u, 2}, {8u, 3}, {9u, 4}, {10u, 5}})
        EXPECT_EQ(X11PointerButtons::buttonNumber(x), ours) << x;
    for (unsigned wheel : {0u, 4u, 5u, 6u, 7u})
        EXPECT_FALSE(X11PointerButtons::buttonNumber(wheel));
}

TEST_F(X11PointerButtonsTest, TheFilterTakesTheMiddleButtonAndLeavesTheOthers) {
    const auto filtering = filter(filtered, takes);
    ASSERT_TRUE(filtering);

    ASSERT_TRUE(click({2, 1, 3}, 2));
    ASSERT_TRUE(waitFor(*connection, [&] { return filtered.size() >= 2; }));
    // The middle click came first; the window never had it.
    EXPECT_EQ(target.presses(), (std::vector<unsigned>{1, 3}));
    EXPECT_EQ(filtered, clicked({2}));

    // Held and moved: drags, then the release, none of it in the window.
    filtered.clear();
    ASSERT_TRUE(xdotool(
        {"mousedown", "2", "mousemove", "410", "420", "mousemove", "420", "430", "mouseup", "2"}));
    ASSERT_TRUE(waitFor(*connection,
                        [&] { return !filtered.empty() && filtered.back().type == Type::Up; }));
    EXPECT_EQ(filtered.front(), (ButtonEvent{Type::Down, 2}));
    EXPECT_GE(filtered.size(), 3u);
    for (size_t i = 1; i + 1 < filtered.size(); ++i)
        EXPECT_EQ(filtered[i], (ButtonEvent{Type::Dragged, 2}));
    EXPECT_EQ(target.presses(), (std::vector<unsigned>{1, 3}));
}

TEST_F(X11PointerButtonsTest, APressTheFilterLetsThroughReachesTheWindow) {
    bool swallow = false;
    const auto filtering = filter(filtered, swallow);
    ASSERT_TRUE(filtering);
    ASSERT_TRUE(click({2}, 1));
    EXPECT_EQ(target.presses(), std::vector<unsigned>{2});
    EXPECT_EQ(filtered.front(), (ButtonEvent{Type::Down, 2}));

    // The pointer is not left frozen: the next press is filtered again.
    swallow = true;
    filtered.clear();
    ASSERT_TRUE(click({2, 1}, 2));
    ASSERT_TRUE(waitFor(*connection, [&] { return filtered.size() >= 2; }));
    EXPECT_EQ(target.presses(), (std::vector<unsigned>{2, 1}));
    EXPECT_EQ(filtered, clicked({2}));
}

TEST_F(X11PointerButtonsTest, FiltersShareTheGrabAndTheLastOneGivesItBack) {
    Events second;
    auto first = filter(filtered, leaves);
    auto next = filter(second, takes);
    ASSERT_TRUE(first && next);
    ASSERT_TRUE(click({2, 1}, 1));
    ASSERT_TRUE(waitFor(*connection, [&] { return second.size() >= 2; }));
    EXPECT_EQ(target.presses(), std::vector<unsigned>{1});
    EXPECT_EQ(filtered.size(), 2u);
    EXPECT_EQ(second.size(), 2u);

    first.reset();
    ASSERT_TRUE(click({2, 3}, 2));
    ASSERT_TRUE(waitFor(*connection, [&] { return second.size() >= 4; }));
    EXPECT_EQ(target.presses(), (std::vector<unsigned>{1, 3}));

    next.reset();
    ASSERT_TRUE(click({2}, 3));
    EXPECT_EQ(target.presses(), (std::vector<unsigned>{1, 3, 2}));
    EXPECT_EQ(second.size(), 4u);
}

TEST_F(X11PointerButtonsTest, AFilterMayRemoveItselfOnThePress) {
    std::unique_ptr<Monitor> filter;
    filter = buttons->filterOtherButtons([&](const ButtonEvent& event) {
        filtered.push_back(event);
        filter.reset();
        return true;
    });
    ASSERT_TRUE(filter);
    ASSERT_TRUE(click({2, 1}, 1));
    EXPECT_EQ(target.presses(), std::vector<unsigned>{1});
    EXPECT_FALSE(filter);

    // The grab went with it.
    ASSERT_TRUE(click({2}, 2));
    EXPECT_EQ(target.presses(), (std::vector<unsigned>{1, 2}));
    EXPECT_EQ(filtered.size(), 1u);
}

TEST_F(X11PointerButtonsTest, AMiddleButtonAnotherProgramGrabsRefusesTheFilter) {
    auto other = X11Connection::open();
    ASSERT_TRUE(other);
    Display* display = other->display();
    const auto grab = [&] {
        return other->trapErrors([&] {
            XGrabButton(display, Button2, AnyModifier, other->root(), False, ButtonPressMask,
                        GrabModeAsync, GrabModeAsync, 0, 0);
        });
    };
    ASSERT_EQ(grab(), 0);
    EXPECT_FALSE(filter(filtered, takes));

    XUngrabButton(display, Button2, AnyModifier, other->root());
    XSync(display, False);
    auto filtering = filter(filtered, takes);
    ASSERT_TRUE(filtering);
    // Ours now: the other program is refused in turn, until the filter goes.
    EXPECT_EQ(grab(), BadAccess);
    filtering.reset();
    EXPECT_EQ(grab(), 0);
}

TEST_F(X11PointerButtonsTest, TheListenerHearsTheOtherButtonsWithoutTakingThem) {
    auto listener =
        buttons->listenOtherButtons([&](const ButtonEvent& event) { heard.push_back(event); });
    ASSERT_TRUE(listener);

    // The wheel (4, 5) and the primary and secondary buttons are not heard.
    ASSERT_TRUE(click({1, 3, 4, 5, 2, 8, 9}, 7));
    ASSERT_TRUE(waitFor(*connection, [&] { return heard.size() >= 6; }));
    EXPECT_EQ(heard, clicked({2, 3, 4}));
    EXPECT_EQ(target.presses(), (std::vector<unsigned>{1, 3, 4, 5, 2, 8, 9}));

    listener.reset();
    ASSERT_TRUE(click({2}, 8));
    settle(*connection);
    EXPECT_EQ(heard.size(), 6u);
}

}  // namespace
}  // namespace x11::test
}  // namespace tandri
