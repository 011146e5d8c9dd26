// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QWindow>
#include <algorithm>

#include "platform/x11/x11keyboard.h"
#include "x11session.h"

// Last: Xlib's macros clash with Qt's headers.
#include "platform/x11/xlib.h"

namespace tandri {

// Found by argument-dependent lookup from the comparisons below.
static bool operator==(const KeyEvent& a, const KeyEvent& b) {
    return a.keyCode == b.keyCode && a.modifierFlags == b.modifierFlags &&
           a.characters == b.characters;
}
static void PrintTo(const KeyEvent& key, std::ostream* out) {
    *out << key.keyCode << " flags " << key.modifierFlags << " \"" << key.characters.toStdString()
         << '"';
}

namespace x11::test {
namespace {

constexpr quint64 shiftFlag = KeyEvent::shiftFlag, controlFlag = KeyEvent::controlFlag,
                  optionFlag = KeyEvent::optionFlag, commandFlag = KeyEvent::commandFlag;

using HotKeyEvent = Keyboard::HotKeyEvent;

constexpr quint32 space = 49;
constexpr quint32 option = 2048;

class X11KeyboardTest : public ::testing::Test {
protected:
    void SetUp() override {
        connection = X11Connection::open();
        ASSERT_TRUE(connection);
        keyboard = std::make_unique<X11Keyboard>(*connection, keyFocus);
    }

    std::unique_ptr<KeyGrab> grabAltSpace() {
        return keyboard
            ->grabHotKey(space, option, [this](HotKeyEvent event) { events.push_back(event); })
            .grab;
    }

    long count(HotKeyEvent type) const { return std::count(events.begin(), events.end(), type); }

    bool waitForPresses(long presses) {
        return waitFor(*connection, [&] { return count(HotKeyEvent::Pressed) >= presses; });
    }
    bool waitForRelease() {
        return waitFor(*connection, [&] { return count(HotKeyEvent::Released) >= 1; });
    }

    // The locked modifiers now, Caps Lock's and Num Lock's among them.
    unsigned lockedModifiers() {
        XkbStateRec state = {};
        XkbGetState(connection->display(), XkbUseCoreKbd, &state);
        return state.locked_mods;
    }

    std::unique_ptr<X11Connection> connection;
    KeyFocus keyFocus;
    std::unique_ptr<X11Keyboard> keyboard;
    std::vector<HotKeyEvent> events;
};

TEST_F(X11KeyboardTest, AHoldIsOnePressRepeatedAndOneReleaseWhicheverKeyGoesFirst) {
    auto grab = grabAltSpace();
    ASSERT_TRUE(grab);

    ASSERT_TRUE(xdotool({"keydown", "alt", "keydown", "space"}));
    // The server repeats the held key: presses only, no release before each.
    ASSERT_TRUE(waitForPresses(3));
    EXPECT_EQ(count(HotKeyEvent::Released), 0);
    // Alt goes first; the key is still down, so nothing is released yet.
    ASSERT_TRUE(xdotool({"keyup", "alt"}));
    settle(*connection);
    EXPECT_EQ(count(HotKeyEvent::Released), 0);
    // Space's release arrives without Alt and still ends the press.
    ASSERT_TRUE(xdotool({"keyup", "space"}));
    ASSERT_TRUE(waitForRelease());
    EXPECT_EQ(events.back(), HotKeyEvent::Released);
    EXPECT_EQ(count(HotKeyEvent::Released), 1);

    // The key first: released at once, and Alt afterwards is nothing.
    events.clear();
    ASSERT_TRUE(xdotool({"keydown", "alt", "keydown", "space", "keyup", "space"}));
    ASSERT_TRUE(waitForRelease());
    ASSERT_TRUE(xdotool({"keyup", "alt"}));
    settle(*connection);
    EXPECT_EQ(events, (std::vector<HotKeyEvent>{HotKeyEvent::Pressed, HotKeyEvent::Released}));
}

TEST_F(X11KeyboardTest, LocksDoNotStopTheHotKeyAndOtherModifiersAreNotIt) {
    auto grab = grabAltSpace();
    ASSERT_TRUE(grab);
    // Caught by nobody else: these go to whichever window has the focus.
    ASSERT_TRUE(xdotool({"key", "space", "key", "ctrl+space", "key", "alt+shift+space"}));
    settle(*connection);
    EXPECT_TRUE(events.empty());

    for (const char* lock : {"Caps_Lock", "Num_Lock"}) {
        SCOPED_TRACE(lock);
        events.clear();
        const unsigned before = lockedModifiers();
        ASSERT_TRUE(xdotool({"key", lock}));
        settle(*connection);
        // The lock is on now; whatever fails below, the next tests find it off.
        struct Unlock {
            std::function<void()> run;
            ~Unlock() { run(); }
        } unlock{[&] {
            if (lockedModifiers() != before)
                xdotool({"key", lock});
        }};
        ASSERT_NE(lockedModifiers(), before);

        ASSERT_TRUE(
            xdotool({"keydown", "alt", "keydown", "space", "keyup", "space", "keyup", "alt"}));
        EXPECT_TRUE(waitForRelease());
        EXPECT_EQ(events, (std::vector<HotKeyEvent>{HotKeyEvent::Pressed, HotKeyEvent::Released}));
    }
}

// Another program on a connection of its own.
class OtherClient {
public:
    OtherClient() : connection_(X11Connection::open()) {}

    // The X error of grabbing Alt with these extra modifiers and the space bar, 0 when none.
    int grabAltSpace(unsigned extra = 0) {
        Display* display = connection_->display();
        return connection_->trapErrors([&] {
            XGrabKey(display, XKeysymToKeycode(display, XK_space), Mod1Mask | extra,
                     connection_->root(), False, GrabModeAsync, GrabModeAsync);
        });
    }
    void ungrabAltSpace(unsigned extra = 0) {
        Display* display = connection_->display();
        XUngrabKey(display, XKeysymToKeycode(display, XK_space), Mod1Mask | extra,
                   connection_->root());
        XSync(display, False);
    }

private:
    std::unique_ptr<X11Connection> connection_;
};

TEST_F(X11KeyboardTest, ACombinationIsOnlyEverHeldByOneProgram) {
    OtherClient other;
    ASSERT_EQ(other.grabAltSpace(), 0);
    const HotKeyGrab refused = keyboard->grabHotKey(space, option, [](HotKeyEvent) {});
    EXPECT_FALSE(refused);
    EXPECT_EQ(refused.refusal, GrabRefusal::Taken);
    other.ungrabAltSpace();

    // Holding only the Caps Lock form is enough to refuse; the forms grabbed before the refusal
    // are given back.
    ASSERT_EQ(other.grabAltSpace(LockMask), 0);
    EXPECT_FALSE(grabAltSpace());
    EXPECT_EQ(other.grabAltSpace(), 0);
    other.ungrabAltSpace();
    other.ungrabAltSpace(LockMask);

    // Ours now, every form of it, until the grab goes.
    auto grab = grabAltSpace();
    ASSERT_TRUE(grab);
    EXPECT_EQ(other.grabAltSpace(), BadAccess);
    EXPECT_EQ(other.grabAltSpace(LockMask), BadAccess);
    grab.reset();
    EXPECT_EQ(other.grabAltSpace(), 0);
    EXPECT_EQ(other.grabAltSpace(LockMask), 0);
}

TEST_F(X11KeyboardTest, UnmappedKeysAndModifiersAndOwnDuplicatesAreRefused) {
    const auto ignore = [](HotKeyEvent) {
    };
    const auto refusal = [&](quint32 code, quint32 modifiers) {
        const HotKeyGrab grab = keyboard->grabHotKey(code, modifiers, ignore);
        return grab ? std::nullopt : std::optional(grab.refusal);
    };
    EXPECT_EQ(refusal(10, option), GrabRefusal::NotOnKeyboard);   // no such key here
    EXPECT_EQ(refusal(space, 1024), GrabRefusal::NotOnKeyboard);  // Caps Lock is no modifier
    EXPECT_EQ(refusal(0xffffffffu, option), GrabRefusal::NotOnKeyboard);

    auto first = keyboard->grabHotKey(space, option, ignore);
    ASSERT_TRUE(first);
    // Grabbing it again would take it over from the first grab.
    EXPECT_EQ(refusal(space, option), GrabRefusal::Taken);
    auto other = keyboard->grabHotKey(space, option | 512, ignore);
    EXPECT_TRUE(other);
    first.grab.reset();
    EXPECT_TRUE(keyboard->grabHotKey(space, option, ignore));

    // A function key needs no modifier.
    EXPECT_TRUE(keyboard->grabHotKey(122, 0, ignore));
}

TEST_F(X11KeyboardTest, AHandlerMayDropItsGrabWhenPressed) {
    std::unique_ptr<KeyGrab> grab;
    grab = keyboard
               ->grabHotKey(space, option,
                            [&](HotKeyEvent event) {
                                events.push_back(event);
                                grab.reset();
                            })
               .grab;
    ASSERT_TRUE(grab);
    ASSERT_TRUE(xdotool({"keydown", "alt", "keydown", "space"}));
    ASSERT_TRUE(waitForPresses(1));
    EXPECT_FALSE(grab);
    ASSERT_TRUE(xdotool({"keyup", "space", "keyup", "alt"}));
    settle(*connection);
    EXPECT_EQ(events, std::vector<HotKeyEvent>{HotKeyEvent::Pressed});

    // The keyboard is free again: another program can take the combination.
    OtherClient other;
    EXPECT_EQ(other.grabAltSpace(), 0);
}

// While the combination is held its grab takes the whole keyboard; the keys typed meanwhile go to
// the window that has the keys, and a menu of the program's own can take the keyboard over.
TEST_F(X11KeyboardTest, KeysTypedWhileTheCombinationIsHeldReachTheKeyWindow) {
    std::vector<KeyEvent> keys;
    keyFocus.take(this, [&](const KeyEvent& key) { keys.push_back(key); });
    auto grab = grabAltSpace();
    ASSERT_TRUE(grab);

    ASSERT_TRUE(xdotool({"keydown", "alt", "keydown", "space"}));
    ASSERT_TRUE(waitForPresses(1));
    ASSERT_TRUE(xdotool({"key", "Escape", "key", "Return", "key", "ctrl+comma"}));
    ASSERT_TRUE(waitFor(*connection, [&] { return keys.size() >= 3; }));
    // Alt is still held.
    EXPECT_EQ(keys, (std::vector<KeyEvent>{{53, optionFlag, "\x1b"},
                                           {36, optionFlag, "\r"},
                                           {43, optionFlag | controlFlag, ","}}));
    EXPECT_EQ(count(HotKeyEvent::Released), 0);

    // Given up for a menu: another client (Qt's, which draws the menu) can take the keyboard,
    // and the hold counts as over, since its release will go there.
    keyboard->yieldHeldGrab();
    EXPECT_EQ(events.back(), HotKeyEvent::Released);
    const auto other = X11Connection::open();
    Display* display = other->display();
    EXPECT_EQ(
        XGrabKeyboard(display, other->root(), False, GrabModeAsync, GrabModeAsync, CurrentTime),
        GrabSuccess);
    XUngrabKeyboard(display, CurrentTime);
    XSync(display, False);
    ASSERT_TRUE(xdotool({"keyup", "space", "keyup", "alt"}));
    settle(*connection);
    EXPECT_EQ(count(HotKeyEvent::Released), 1);

    // The next hold is a new press; without a key window its keys go nowhere.
    keyFocus.release(this);
    events.clear();
    ASSERT_TRUE(xdotool({"keydown", "alt", "keydown", "space", "key", "Escape"}));
    ASSERT_TRUE(waitForPresses(1));
    ASSERT_TRUE(xdotool({"keyup", "space", "keyup", "alt"}));
    ASSERT_TRUE(waitForRelease());
    EXPECT_EQ(keys.size(), 3u);
}

// A window of this program that records the presses that reach it.
class KeyWindow : public QWindow {
public:
    std::vector<int> keys;

protected:
    void keyPressEvent(QKeyEvent* event) override {
        // The modifiers' own presses are no key presses to the monitor either.
        const int key = event->key();
        if (key != Qt::Key_Shift && key != Qt::Key_Control && key != Qt::Key_Alt &&
            key != Qt::Key_Meta && key != Qt::Key_Super_L && key != Qt::Key_Super_R)
            keys.push_back(key);
    }
};

class OwnKeysTest : public X11KeyboardTest {
protected:
    void SetUp() override {
        X11KeyboardTest::SetUp();
        window.setGeometry(200, 200, 300, 200);
        window.show();
        window.requestActivate();
        ASSERT_TRUE(waitForEvents([&] { return window.isActive(); }));
    }

    // Types into the focused window and waits until the window or a monitor had the press.
    bool type(const QString& keys, const std::vector<KeyEvent>& seen) {
        const size_t before = window.keys.size() + seen.size();
        return xdotool({"key", keys}) &&
               waitForEvents([&] { return window.keys.size() + seen.size() > before; });
    }

    KeyWindow window;
};

TEST_F(OwnKeysTest, TheMonitorSeesEachPressOnceAndMayConsumeIt) {
    std::vector<KeyEvent> seen;
    bool consume = true;
    auto monitor = keyboard->monitorOwnKeyDowns([&](const KeyEvent& event) {
        seen.push_back(event);
        return consume;
    });
    ASSERT_TRUE(monitor);

    // The key's own code, not Qt's shifted symbol; the modifier key's own press is no press.
    for (const char* keys : {"alt+a", "shift+1", "ctrl+super+Escape"})
        ASSERT_TRUE(type(keys, seen)) << keys;
    EXPECT_EQ(seen, (std::vector<KeyEvent>{{0, optionFlag, "a"},
                                           {18, shiftFlag, "1"},
                                           {53, controlFlag | commandFlag, "\x1b"}}));
    EXPECT_TRUE(window.keys.empty());

    // Not consumed: the window has it too.
    consume = false;
    ASSERT_TRUE(type("Return", seen));
    ASSERT_TRUE(waitForEvents([&] { return !window.keys.empty(); }));
    EXPECT_EQ(seen.back().keyCode, 36);
    EXPECT_EQ(window.keys, std::vector<int>{Qt::Key_Return});

    // Removed: the window alone.
    monitor.reset();
    const size_t count = seen.size();
    ASSERT_TRUE(type("b", seen));
    EXPECT_EQ(seen.size(), count);
    EXPECT_EQ(window.keys.back(), Qt::Key_B);
}

TEST_F(OwnKeysTest, AMonitorMayRemoveItselfWhileHandlingAPress) {
    std::vector<KeyEvent> seen;
    std::unique_ptr<Monitor> monitor;
    monitor = keyboard->monitorOwnKeyDowns([&](const KeyEvent& event) {
        seen.push_back(event);
        monitor.reset();
        return true;
    });
    ASSERT_TRUE(type("x", seen));
    EXPECT_FALSE(monitor);
    EXPECT_EQ(seen, (std::vector<KeyEvent>{{7, 0, "x"}}));
    EXPECT_TRUE(window.keys.empty());

    ASSERT_TRUE(type("y", seen));
    EXPECT_EQ(seen.size(), 1u);
    EXPECT_EQ(window.keys, std::vector<int>{Qt::Key_Y});
}

}  // namespace
}  // namespace x11::test
}  // namespace tandri
