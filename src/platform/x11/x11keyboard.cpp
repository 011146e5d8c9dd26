// SPDX-License-Identifier: MIT
#include "platform/x11/x11keyboard.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QObject>
#include <limits>
#include <set>
#include <utility>
#include <vector>

#include "platform/x11/keymap.h"
#include "platform/x11/openingtrace.h"

namespace tandri::x11 {
namespace {
// Spelled before Xlib's headers, whose KeyPress macro would replace the name.
constexpr QEvent::Type qtKeyPress = QEvent::KeyPress;
constexpr QEvent::Type qtKeyRelease = QEvent::KeyRelease;
}  // namespace
}  // namespace tandri::x11

#include "platform/x11/xlib.h"

namespace tandri::x11 {

namespace {

constexpr unsigned coreModifiers =
    ShiftMask | LockMask | ControlMask | Mod1Mask | Mod2Mask | Mod3Mask | Mod4Mask | Mod5Mask;

// The modifier bit a key is assigned to, 0 when it is on none.
unsigned modifierOf(Display* display, KeySym keysym) {
    const KeyCode code = XKeysymToKeycode(display, keysym);
    XModifierKeymap* map = XGetModifierMapping(display);
    if (!map)
        return 0;
    unsigned bit = 0;
    for (int modifier = 0; modifier < 8 && code != 0 && bit == 0; ++modifier) {
        for (int k = 0; k < map->max_keypermod; ++k) {
            if (map->modifiermap[modifier * map->max_keypermod + k] == code) {
                bit = 1u << modifier;
                break;
            }
        }
    }
    XFreeModifiermap(map);
    return bit;
}

// Every combination of the lock bits, the empty one included.
std::vector<unsigned> lockVariants(unsigned locks) {
    std::vector<unsigned> variants;
    unsigned subset = locks;
    while (true) {
        variants.push_back(subset);
        if (subset == 0)
            break;
        subset = (subset - 1) & locks;
    }
    return variants;
}

}  // namespace

struct X11Keyboard::GrabState {
    unsigned keycode = 0;
    unsigned modifiers = 0;
    unsigned locks = 0;
    // Between a delivered press and its release.
    bool down = false;
    // Given up to a menu while held, until the key is let go: its repeats are no new press.
    bool yielded = false;
    // The modifier masks grabbed, one for each combination of the lock keys.
    std::vector<unsigned> masks;
    std::function<void(HotKeyEvent)> handler;
};

// The combinations this program holds: grabbing one again would silently take it over from the
// grab that has it, since X refuses only other clients.
struct X11Keyboard::Held {
    std::set<std::pair<unsigned, unsigned>> combinations;
    std::vector<std::weak_ptr<GrabState>> grabs;
};

class X11Keyboard::Grab : public KeyGrab {
public:
    using State = GrabState;

    Grab(X11Connection& connection, const KeyFocus& focus, std::weak_ptr<Held> held,
         std::shared_ptr<State> state)
        : connection_(connection), held_(std::move(held)), state_(std::move(state)) {
        std::weak_ptr<State> weak = state_;
        const XID root = connection_.root();
        const KeyFocus* keys = &focus;
        events_ = connection_.addEventHandler(
            [weak, root, keys](XEvent& event) { return dispatch(weak, root, *keys, event); });
    }

    ~Grab() override {
        Display* display = connection_.display();
        // Waited for, so that the combination is free for other programs once this returns.
        connection_.trapErrors([&] {
            for (unsigned modifiers : state_->masks)
                XUngrabKey(display, int(state_->keycode), modifiers, connection_.root());
            // A grab that became active with the press lasts until the release; give the
            // keyboard back now rather than swallow the keys typed until then.
            if (state_->down)
                XUngrabKeyboard(display, CurrentTime);
        });
        connection_.processEventsSoon();
        if (auto held = held_.lock())
            held->combinations.erase({state_->keycode, state_->modifiers});
    }

private:
    static bool dispatch(const std::weak_ptr<State>& weak, XID root, const KeyFocus& focus,
                         XEvent& event) {
        if (event.type != KeyPress && event.type != KeyRelease)
            return false;
        auto state = weak.lock();
        if (!state || event.xkey.window != root)
            return false;
        if (event.xkey.keycode != state->keycode) {
            // While the combination is held its grab takes the whole keyboard: the other keys
            // belong to the window that would have had them.
            if (!state->down)
                return false;
            if (event.type == KeyPress) {
                const KeySym base =
                    XkbKeycodeToKeysym(event.xkey.display, KeyCode(event.xkey.keycode), 0, 0);
                if (const auto key = KeyMap::keyEvent(base, event.xkey.state))
                    focus.deliver(*key);
            }
            return true;
        }
        if (state->yielded) {
            // The hold given up to a menu: the keyboard is free again once the menu closes, and
            // the key's repeats then reach the grab as presses.
            if (event.type == KeyRelease)
                state->yielded = false;
            return true;
        }
        HotKeyEvent type = HotKeyEvent::Pressed;
        if (event.type == KeyPress) {
            // The grab answers only to its exact modifiers; a repeat after one of them was let
            // go is no press of the combination.
            if ((event.xkey.state & coreModifiers & ~state->locks) != state->modifiers)
                return false;
            state->down = true;
            OpeningTrace::begin();
        } else {
            // The release ends the press whatever modifiers are still held: the user may let go
            // of them first, and the active grab still brings the key's release here.
            if (!state->down)
                return false;
            state->down = false;
            type = HotKeyEvent::Released;
        }
        // A copy: the handler may drop the grab.
        auto handler = state->handler;
        if (handler)
            handler(type);
        return true;
    }

    X11Connection& connection_;
    std::weak_ptr<Held> held_;
    std::shared_ptr<State> state_;
    std::shared_ptr<void> events_;
};

class X11Keyboard::OwnKeyMonitor : public Monitor {
public:
    using Handler = std::function<bool(const KeyEvent&)>;

    explicit OwnKeyMonitor(Handler handler)
        : filter_(std::make_shared<Handler>(std::move(handler))) {
        QCoreApplication::instance()->installEventFilter(&filter_);
    }
    ~OwnKeyMonitor() override {
        if (auto* application = QCoreApplication::instance())
            application->removeEventFilter(&filter_);
    }

private:
    class Filter : public QObject {
    public:
        explicit Filter(std::shared_ptr<Handler> handler) : handler_(std::move(handler)) {}

        bool eventFilter(QObject* watched, QEvent* event) override {
            // A press reaches its window first and then, in widget windows, the focus widget and
            // its parents; the window sees each press once, before any widget.
            if (event->type() != qtKeyPress || !watched->isWindowType())
                return false;
            const auto translated = KeyMap::keyEvent(*static_cast<QKeyEvent*>(event));
            if (!translated)
                return false;
            // A copy: the handler may remove this monitor, and this filter with it.
            const std::shared_ptr<Handler> handler = handler_;
            return *handler && (*handler)(*translated);
        }

    private:
        std::shared_ptr<Handler> handler_;
    };

    Filter filter_;
};

// The key of a hold given up to a menu, until the user lets it go. While it is down its repeats
// belong to no one: the menu would take a repeated Space for a choice, and the hot key's grab,
// free again, would take a repeat for a new press and the whole keyboard with it, before the menu
// has taken it (the menu then closes at once) or after it has closed. So the grab is withdrawn
// until the release, which may go to any window and is read from the raw events that every
// client sees.
class X11Keyboard::YieldedKey : public QObject {
public:
    YieldedKey(X11Connection& connection, int opcode, unsigned keycode,
               std::vector<std::weak_ptr<GrabState>> states)
        : connection_(connection), keycode_(keycode), states_(std::move(states)) {
        grab(false);
        selection_ = connection.selectRootXIEvents({XI_RawKeyRelease});
        events_ = connection.addEventHandler([this, opcode](XEvent& event) {
            const XGenericEventCookie& cookie = event.xcookie;
            if (event.type == GenericEvent && cookie.extension == opcode && cookie.data &&
                cookie.evtype == XI_RawKeyRelease &&
                unsigned(static_cast<const XIRawEvent*>(cookie.data)->detail) == keycode_) {
                released();
            }
            return false;
        });
        QCoreApplication::instance()->installEventFilter(this);
    }
    ~YieldedKey() override {
        if (down())
            grab(true);
        if (auto* application = QCoreApplication::instance())
            application->removeEventFilter(this);
    }

    bool down() const { return !states_.empty(); }

    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() != qtKeyPress && event->type() != qtKeyRelease)
            return false;
        return down() && static_cast<QKeyEvent*>(event)->nativeScanCode() == keycode_;
    }

private:
    // Runs inside the raw event's handler, which the connection keeps alive meanwhile.
    void released() {
        grab(true);
        for (const auto& weak : states_) {
            if (auto state = weak.lock())
                state->yielded = false;
        }
        states_.clear();
        QCoreApplication::instance()->removeEventFilter(this);
        selection_.reset();
        events_.reset();
    }

    // Takes the combinations of the hot keys still held by the program back, or gives them up.
    void grab(bool take) {
        Display* display = connection_.display();
        connection_.trapErrors([&] {
            for (const auto& weak : states_) {
                const auto state = weak.lock();
                if (!state)
                    continue;
                for (unsigned mask : state->masks) {
                    if (take) {
                        XGrabKey(display, int(state->keycode), mask, connection_.root(), False,
                                 GrabModeAsync, GrabModeAsync);
                    } else {
                        XUngrabKey(display, int(state->keycode), mask, connection_.root());
                    }
                }
            }
        });
    }

    X11Connection& connection_;
    unsigned keycode_;
    std::vector<std::weak_ptr<GrabState>> states_;
    std::shared_ptr<void> selection_;
    std::shared_ptr<void> events_;
};

X11Keyboard::X11Keyboard(X11Connection& connection, const KeyFocus& focus)
    : connection_(connection), focus_(focus), held_(std::make_shared<Held>()) {
    // A held key then repeats its press alone, without a release before each repeat, so holding
    // the hot key is not a series of taps.
    Bool supported = False;
    XkbSetDetectableAutoRepeat(connection_.display(), True, &supported);
}

X11Keyboard::~X11Keyboard() = default;

unsigned X11Keyboard::lockModifiers() const {
    Display* display = connection_.display();
    return LockMask | modifierOf(display, XK_Num_Lock) | modifierOf(display, XK_Scroll_Lock);
}

HotKeyGrab X11Keyboard::grabHotKey(quint32 keyCode, quint32 modifiers,
                                   std::function<void(HotKeyEvent)> handler) {
    const auto notOnKeyboard = [] {
        return HotKeyGrab{nullptr, GrabRefusal::NotOnKeyboard};
    };
    if (keyCode > quint32(std::numeric_limits<int>::max()))
        return notOnKeyboard();
    const auto keysym = KeyMap::keysym(int(keyCode));
    const auto xModifiers = KeyMap::xModifiers(modifiers);
    if (!keysym || !xModifiers)
        return notOnKeyboard();
    Display* display = connection_.display();
    const KeyCode code = XKeysymToKeycode(display, *keysym);
    if (code == 0)
        return notOnKeyboard();
    if (held_->combinations.count({code, *xModifiers}))
        return {nullptr, GrabRefusal::Taken};

    const unsigned locks = lockModifiers() & ~*xModifiers;
    std::vector<unsigned> grabbed;
    int error = 0;
    for (unsigned variant : lockVariants(locks)) {
        const unsigned mask = *xModifiers | variant;
        error = connection_.trapErrors([&] {
            XGrabKey(display, code, mask, connection_.root(), False, GrabModeAsync, GrabModeAsync);
        });
        if (error != 0)
            break;
        grabbed.push_back(mask);
    }
    if (error != 0) {
        connection_.trapErrors([&] {
            for (unsigned mask : grabbed) XUngrabKey(display, code, mask, connection_.root());
        });
    }
    connection_.processEventsSoon();
    if (error != 0)
        return {nullptr, error == BadAccess ? GrabRefusal::Taken : GrabRefusal::ServerError};

    held_->combinations.insert({code, *xModifiers});
    auto state = std::make_shared<GrabState>();
    state->keycode = code;
    state->modifiers = *xModifiers;
    state->locks = locks;
    state->handler = std::move(handler);
    std::erase_if(held_->grabs, [](const auto& weak) { return weak.expired(); });
    held_->grabs.push_back(state);
    state->masks = std::move(grabbed);
    return {std::make_unique<Grab>(connection_, focus_, held_, std::move(state))};
}

void X11Keyboard::yieldHeldGrab() {
    std::vector<std::shared_ptr<GrabState>> down;
    for (const auto& weak : held_->grabs) {
        if (auto state = weak.lock(); state && state->down)
            down.push_back(std::move(state));
    }
    if (down.empty())
        return;
    // Waited for, so that the window asking next finds the keyboard free.
    connection_.trapErrors([&] { XUngrabKeyboard(connection_.display(), CurrentTime); });
    // Without raw events the release could go unseen, and the key stay given up for good.
    if (const auto opcode = connection_.xinputOpcode()) {
        std::vector<std::weak_ptr<GrabState>> states;
        for (const auto& state : down) {
            state->yielded = true;
            states.push_back(state);
        }
        yielded_ = std::make_unique<YieldedKey>(connection_, *opcode, down.front()->keycode,
                                                std::move(states));
    }
    for (const auto& state : down) {
        // Its release now goes to whoever has the keyboard: count it as released here.
        state->down = false;
        auto handler = state->handler;
        if (handler)
            handler(HotKeyEvent::Released);
    }
}

std::unique_ptr<Monitor> X11Keyboard::monitorOwnKeyDowns(
    std::function<bool(const KeyEvent&)> handler) {
    if (!QCoreApplication::instance())
        return nullptr;
    return std::make_unique<OwnKeyMonitor>(std::move(handler));
}

}  // namespace tandri::x11
