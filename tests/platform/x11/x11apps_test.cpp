// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDateTime>
#include <QDesktopServices>
#include <QDir>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <atomic>
#include <future>

#include "platform/common/drawnicons.h"
#include "platform/x11/desktopentries.h"
#include "platform/x11/x11accessibility.h"
#include "platform/x11/x11connection.h"
#include "platform/x11/x11windowlist.h"
#include "platform/x11/x11workspace.h"
#include "platform/x11/xresources.h"
#include "support/testfiles.h"
#include "windows/windowsource.h"
#include "x11session.h"

#include <unistd.h>
#include <xcb/xcb.h>
#include "platform/x11/xlib.h"

#include <csignal>

namespace tandri::x11::test {
namespace {

using tandri::test::fileContents;
using tandri::test::writeFile;

constexpr int screenBottom = 900;  // the session's one screen is 1440x900

// Windows made by hand on a connection of the test's own, standing in for other programs. The one
// connection lives as long as the test program, so that no test's window gets the id of an earlier
// test's: the window manager, letting go of the old window late, would put the old size on the new.
class HandMadeWindows {
public:
    /// By default a window of this test's own process.
    struct Plan {
        QByteArray title{};
        QByteArray instance = "own";
        QByteArray wmClass = "Own";
        std::optional<uint32_t> pid = uint32_t(getpid());
        QByteArray machine{};
        QByteArray type{};
        xcb_window_t transientFor = 0;
        /// 0xFFFFFFFF: every desktop.
        std::optional<uint32_t> desktop{};
        uint16_t width = 200;
        uint16_t height = 150;
    };

    ~HandMadeWindows() {
        // Gone from the server before the next test looks.
        for (xcb_window_t window : made_) xcb_destroy_window(c_, window);
        sync();
    }

    /// A new window; with `id`, one made with the id of a window destroyed before.
    xcb_window_t make(const Plan& plan, xcb_window_t id = 0) {
        id = id ? id : xcb_generate_id(c_);
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c_)).data->root;
        xcb_create_window(c_, XCB_COPY_FROM_PARENT, id, root, 0, 0, plan.width, plan.height, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
        set(id, "WM_CLASS", "STRING", plan.instance + '\0' + plan.wmClass + '\0');
        set(id, "_NET_WM_NAME", "UTF8_STRING", plan.title);
        set(id, "WM_CLIENT_MACHINE", "STRING", plan.machine);
        if (plan.pid)
            set(id, "_NET_WM_PID", "CARDINAL", *plan.pid);
        if (!plan.type.isEmpty())
            set(id, "_NET_WM_WINDOW_TYPE", "ATOM", atom(plan.type.constData()));
        if (plan.transientFor)
            set(id, "WM_TRANSIENT_FOR", "WINDOW", plan.transientFor);
        if (plan.desktop)
            set(id, "_NET_WM_DESKTOP", "CARDINAL", *plan.desktop);
        xcb_map_window(c_, id);
        xcb_flush(c_);
        made_.push_back(id);
        return id;
    }

    void destroy(xcb_window_t window) {
        xcb_destroy_window(c_, window);
        xcb_flush(c_);
        std::erase(made_, window);
    }

    /// Done at the server when this returns.
    void retitle(xcb_window_t window, const QByteArray& title) {
        set(window, "_NET_WM_NAME", "UTF8_STRING", title);
        sync();
    }

private:
    xcb_atom_t atom(const char* name) {
        auto* reply = xcb_intern_atom_reply(
            c_, xcb_intern_atom(c_, 0, uint16_t(std::strlen(name)), name), nullptr);
        const xcb_atom_t atom = reply ? reply->atom : 0;
        std::free(reply);
        return atom;
    }
    void set(xcb_window_t window, const char* name, const char* type, const QByteArray& text) {
        if (!text.isEmpty())
            xcb_change_property(c_, XCB_PROP_MODE_REPLACE, window, atom(name), atom(type), 8,
                                uint32_t(text.size()), text.constData());
    }
    void set(xcb_window_t window, const char* name, const char* type, uint32_t value) {
        xcb_change_property(c_, XCB_PROP_MODE_REPLACE, window, atom(name), atom(type), 32, 1,
                            &value);
    }
    void sync() { std::free(xcb_get_input_focus_reply(c_, xcb_get_input_focus(c_), nullptr)); }

    static inline xcb_connection_t* const c_ = xcb_connect(nullptr, nullptr);
    std::vector<xcb_window_t> made_;
};
using Plan = HandMadeWindows::Plan;

// A window that names no process.
Plan orphan(const char* title, const char* instance, const char* wmClass) {
    return {.title = title, .instance = instance, .wmClass = wmClass, .pid = std::nullopt};
}

struct Started {
    qint32 pid = 0;
    XID window = 0;
    QProcess* process = nullptr;
};

// Stands in for the desktop's handlers of opened URLs.
class UrlCatcher : public QObject {
    Q_OBJECT
public Q_SLOTS:
    void open(const QUrl& url) { urls << url; }

public:
    QList<QUrl> urls;
};

class X11Apps : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        started_ = double(QDateTime::currentSecsSinceEpoch());
        home_ = std::make_unique<QTemporaryDir>();
        QDir().mkpath(home_->filePath(QStringLiteral("data/applications")));
        qputenv("XDG_DATA_HOME", home_->filePath(QStringLiteral("data")).toLocal8Bit());

        const auto save = [](QColor colour, int size, const QString& path) {
            QImage image(size, size, QImage::Format_ARGB32);
            image.fill(colour);
            QDir().mkpath(QFileInfo(path).absolutePath());
            image.save(path);
        };
        const QString redIcon = home_->filePath(QStringLiteral("red.png"));
        save(Qt::red, 32, redIcon);
        // Pixmaps in sizes, as older packages ship them, for a program with no entry: the larger is
        // the one to show.
        save(Qt::blue, 16, home_->filePath(QStringLiteral("data/pixmaps/sized_16x16.png")));
        save(Qt::red, 48, home_->filePath(QStringLiteral("data/pixmaps/sized_48x48.png")));
        clockEntry_ = writeEntry(QStringLiteral("tandri-test-clock"),
                                 QStringLiteral("Name=Test Clock\nExec=xclock\n"
                                                "StartupWMClass=XClock\nIcon=") +
                                     redIcon);

        connection_ = X11Connection::open();
        ASSERT_TRUE(connection_) << "no X server";
        entries_ = std::make_unique<DesktopEntries>();
        workspace_ = std::make_unique<X11Workspace>(*connection_, *entries_);
        accessibility_ = std::make_unique<X11Accessibility>(*connection_);
        windowList_ = std::make_unique<X11WindowList>(*connection_);

        alpha_ = start(QStringLiteral("xterm"), {"-T", "Alpha"});
        beta_ = start(QStringLiteral("xterm"), {"-T", "Beta"});
        clock_ = start(QStringLiteral("xclock"), {});
    }

    static void TearDownTestSuite() {
        for (auto& process : processes_) {
            process->kill();
            process->waitForFinished(3000);
        }
        processes_.clear();
        windowList_.reset();
        accessibility_.reset();
        workspace_.reset();
        entries_.reset();
        connection_.reset();
        home_.reset();
    }

    static QString writeEntry(const QString& id, const QString& keys) {
        const QString path = home_->filePath("data/applications/" + id + ".desktop");
        writeFile(path, "[Desktop Entry]\nType=Application\n" + keys.toUtf8() + "\n");
        return path;
    }

    // Starts a program and, unless its window names no process, waits for it to be managed.
    static Started start(const QString& program, const QStringList& arguments,
                         bool namesItsProcess = true) {
        auto process = std::make_unique<QProcess>();
        process->start(program, arguments);
        EXPECT_TRUE(process->waitForStarted(5000)) << program.toStdString();
        Started started{qint32(process->processId()), 0, process.get()};
        processes_.push_back(std::move(process));
        const auto shown = [&] {
            return (started.window = clientOf(started.pid)) != 0;
        };
        EXPECT_TRUE(!namesItsProcess || waitForEvents(shown, patience))
            << program.toStdString() << " shows no window";
        return started;
    }

    // The pid's managed window, read apart from the code under test.
    static XID clientOf(qint32 pid) {
        for (XID window : connection_->windows(connection_->root(), "_NET_CLIENT_LIST")) {
            const auto owner = connection_->cardinals(window, "_NET_WM_PID");
            if (owner && !owner->empty() && qint32(owner->front()) == pid)
                return window;
        }
        return 0;
    }

    // Listed by the window manager, and framed by it: a window made with the id of one the manager
    // has not let go yet is listed before it is taken. A window gone counts while listed.
    static bool isManaged(XID window) {
        const auto clients = connection_->windows(connection_->root(), "_NET_CLIENT_LIST");
        if (std::find(clients.begin(), clients.end(), window) == clients.end())
            return false;
        std::optional<XID> top;
        connection_->trapErrors([&] { top = topLevelOf(connection_->display(), window); });
        return top != window;
    }
    static bool managed(std::initializer_list<XID> windows) {
        return waitForEvents(
            [&] { return std::all_of(windows.begin(), windows.end(), isManaged); });
    }
    static bool gone(XID window) {
        return waitForEvents([&] { return !isManaged(window); });
    }

    // The active window, and the one on top; 0 for none.
    static XID activeWindow() { return rootWindow("_NET_ACTIVE_WINDOW", false); }
    static XID topWindow() { return rootWindow("_NET_CLIENT_LIST_STACKING", true); }
    static XID rootWindow(const char* property, bool last) {
        const auto listed = connection_->windows(connection_->root(), property);
        return listed.empty() ? 0 : last ? listed.back() : listed.front();
    }

    static std::optional<unsigned long> cardinal(XID window, const char* name) {
        const auto value = connection_->cardinals(window, name);
        return value && !value->empty() ? std::optional(value->front() & 0xffffffffu)
                                        : std::nullopt;
    }
    static std::optional<unsigned long> desktopOf(XID window) {
        return cardinal(window, "_NET_WM_DESKTOP");
    }
    static std::optional<unsigned long> currentDesktop() {
        return cardinal(connection_->root(), "_NET_CURRENT_DESKTOP");
    }
    // Takes the window manager's desktops off the root window, as one without desktops has it, or
    // puts the session's four back (the first one current).
    static void setDesktops(bool four) {
        Display* display = connection_->display();
        for (auto [name, value] :
             {std::pair{"_NET_CURRENT_DESKTOP", 0l}, {"_NET_NUMBER_OF_DESKTOPS", 4l}}) {
            if (four) {
                XChangeProperty(display, connection_->root(), connection_->atom(name),
                                connection_->atom("CARDINAL"), 32, PropModeReplace,
                                reinterpret_cast<const unsigned char*>(&value), 1);
            } else {
                XDeleteProperty(display, connection_->root(), connection_->atom(name));
            }
        }
        XSync(display, False);
    }
    static bool waitForDesktop(unsigned long desktop) {
        return waitForEvents([&] { return currentDesktop() == desktop; }, patience);
    }
    // Sent away as a user sends it.
    static bool sendToDesktop(XID window, unsigned long desktop) {
        return xdotool(
                   {"set_desktop_for_window", QString::number(window), QString::number(desktop)}) &&
               waitForEvents([&] { return desktopOf(window) == desktop; });
    }

    static bool waitForActive(XID window) {
        return waitForEvents([&] { return activeWindow() == window; }, patience);
    }
    static bool activate(const Started& app) {
        workspace_->activate(app.pid);
        return waitForActive(app.window);
    }
    // The window manager may leave no window active between two.
    static bool becomesFrontmost(qint32 pid) {
        return waitForEvents([&] { return workspace_->frontmostPID() == pid; });
    }
    // Activates alpha, so that the window activated next is known to be chosen, then `activate`;
    // the window active then. The window manager may leave no window active between two.
    static XID activeAfter(const std::function<void()>& act) {
        EXPECT_TRUE(activate(alpha_));
        act();
        XID active = 0;
        waitForEvents([&] { return (active = activeWindow()) != alpha_.window && active != 0; });
        return active;
    }

    static std::optional<RunningApp> app(const std::vector<RunningApp>& apps, qint32 pid) {
        std::optional<RunningApp> found;
        for (const RunningApp& a : apps) {
            if (a.pid != pid)
                continue;
            EXPECT_FALSE(found) << "pid " << pid << " listed twice";
            found = a;
        }
        return found;
    }
    static bool hidden(qint32 pid) {
        const auto app = workspace_->runningApp(pid);
        return app && app->hidden;
    }

    // Waits until `read` gives `expected` for the pid; says what it gave otherwise.
    static ::testing::AssertionResult becomes(QStringList (*read)(qint32), qint32 pid,
                                              const QStringList& expected) {
        if (waitForEvents([&] { return read(pid) == expected; }))
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << read(pid).join(u',').toStdString();
    }
    static QStringList titles(qint32 pid) {
        QStringList list;
        for (const AXWindow& window : accessibility_->windows(pid))
            list << window.title.value_or(QStringLiteral("<none>"));
        return list;
    }
    static QStringList kinds(qint32 pid) {
        QStringList list;
        for (const AXWindow& w : accessibility_->windows(pid))
            list << w.title.value_or(QString()) + ' ' + w.subrole.value_or(QString());
        return list;
    }
    // Each window as its title, "*" when it is the main one, "_" when minimized; sorted.
    static QStringList states(qint32 pid) {
        QStringList list;
        for (const AXWindow& w : accessibility_->windows(pid)) {
            list << w.title.value_or(QString()) + (w.main == true ? "*" : "") +
                        (w.minimized.value_or(false) ? "_" : "");
        }
        list.sort();
        return list;
    }

    static std::optional<bool> minimized(qint32 pid, XID window) {
        for (const AXWindow& w : accessibility_->windows(pid)) {
            if (w.element.handle == window)
                return w.minimized;
        }
        return std::nullopt;
    }

    static const ServerWindow* onScreen(const std::vector<ServerWindow>& list, XID window) {
        auto it = std::find_if(list.begin(), list.end(),
                               [&](const ServerWindow& w) { return w.windowID == window; });
        return it == list.end() ? nullptr : &*it;
    }

    static inline double started_ = 0;
    static inline std::unique_ptr<QTemporaryDir> home_;
    static inline QString clockEntry_;
    static inline std::unique_ptr<X11Connection> connection_;
    static inline std::unique_ptr<DesktopEntries> entries_;
    static inline std::unique_ptr<X11Workspace> workspace_;
    static inline std::unique_ptr<X11Accessibility> accessibility_;
    static inline std::unique_ptr<X11WindowList> windowList_;
    static inline std::vector<std::unique_ptr<QProcess>> processes_;
    static inline Started alpha_, beta_, clock_;
    const qint32 self = qint32(getpid());
};

TEST_F(X11Apps, EveryProcessWithWindowsIsOneAppNamedByItsEntry) {
    ASSERT_TRUE(alpha_.window && beta_.window && clock_.window);
    const auto apps = workspace_->runningApps();
    const auto alpha = app(apps, alpha_.pid), beta = app(apps, beta_.pid);
    const auto clock = app(apps, clock_.pid);
    ASSERT_TRUE(alpha && beta && clock);
    auto position = [&](qint32 pid) {
        return std::find_if(apps.begin(), apps.end(), [&](auto& a) { return a.pid == pid; }) -
               apps.begin();
    };
    EXPECT_LT(position(alpha_.pid), position(beta_.pid)) << "in the order the windows came";
    EXPECT_LT(position(beta_.pid), position(clock_.pid));

    EXPECT_EQ(clock->bundleID, "tandri-test-clock") << "StartupWMClass=XClock of the user's entry";
    EXPECT_EQ(clock->localizedName, "Test Clock");
    EXPECT_EQ(clock->bundleURL, QUrl::fromLocalFile(clockEntry_));
    ASSERT_EQ(clock->icon.size(), QSize(128, 128)) << "the entry's 32-pixel icon, scaled";
    EXPECT_EQ(clock->icon.pixelColor(64, 64), QColor(Qt::red));

    const QString xtermEntry = QStringLiteral("/usr/share/applications/debian-xterm.desktop");
    for (const auto& xterm : {*alpha, *beta}) {
        if (QFile::exists(xtermEntry)) {
            EXPECT_EQ(xterm.bundleID, "debian-xterm");
            EXPECT_EQ(xterm.localizedName, "XTerm");
            EXPECT_EQ(xterm.bundleURL, QUrl::fromLocalFile(xtermEntry));
        }
        // Its own picture (an SVG or a pixmap), never the drawn initial.
        EXPECT_NE(xterm.icon, DrawnIcons().appIcon(*xterm.localizedName, std::nullopt));
    }

    const double now = double(QDateTime::currentSecsSinceEpoch());
    for (const auto& a : {*alpha, *beta, *clock}) {
        ASSERT_TRUE(a.launchDate);
        EXPECT_GE(*a.launchDate, started_ - 2);
        EXPECT_LE(*a.launchDate, now + 2);
        EXPECT_EQ(a.activationPolicy, RunningApp::regularPolicy);
        EXPECT_FALSE(a.hidden);
        EXPECT_FALSE(a.terminated);
    }
    EXPECT_LE(*alpha->launchDate, *clock->launchDate);

    EXPECT_EQ(workspace_->ownPID(), self);
    EXPECT_EQ(workspace_->runningApp(clock_.pid)->bundleID, "tandri-test-clock");
    EXPECT_FALSE(workspace_->runningApp(0x3fffff));
}

TEST_F(X11Apps, ClientsWithoutAProcessOfThisMachineAreGroupedByClass) {
    HandMadeWindows hand;
    const XID first = hand.make(orphan("Orphan One", "orphan", "Orphan"));
    const XID second = hand.make(orphan("Orphan Two", "orphan", "Orphan"));
    const XID remote = hand.make(
        {.title = "Far", .instance = "far", .wmClass = "Far", .machine = "elsewhere.invalid"});
    // A class named in the pixmaps folder has that picture, the largest of its sizes.
    const XID sized = hand.make(orphan("Sized", "sized", "Sized"));
    ASSERT_TRUE(managed({first, second, remote, sized}));

    const qint32 orphans = X11Accessibility::classPID(QStringLiteral("Orphan"));
    EXPECT_GE(orphans, 0x40000000);
    EXPECT_NE(orphans, X11Accessibility::classPID(QStringLiteral("Far")));
    const auto apps = workspace_->runningApps();
    const auto group = app(apps, orphans);
    ASSERT_TRUE(group);
    EXPECT_EQ(group->localizedName, "Orphan");
    EXPECT_FALSE(group->launchDate);
    EXPECT_FALSE(group->bundleID);
    EXPECT_EQ(group->icon.size(), QSize(128, 128)) << "the window's icon or a drawn initial";
    const auto sizedApp = app(apps, X11Accessibility::classPID("Sized"));
    ASSERT_TRUE(sizedApp);
    EXPECT_EQ(sizedApp->icon.pixelColor(64, 64), QColor(Qt::red));
    EXPECT_EQ(titles(orphans), QStringList({"Orphan Two", "Orphan One"}));

    const qint32 far = X11Accessibility::classPID(QStringLiteral("Far"));
    EXPECT_TRUE(app(apps, far)) << "another machine's pid is no process here";
    EXPECT_EQ(titles(far), QStringList({"Far"}));
    EXPECT_FALSE(titles(self).contains(QStringLiteral("Far")));

    // The window list names the same owners.
    const auto list = windowList_->onScreenWindows();
    ASSERT_TRUE(list && onScreen(*list, first) && onScreen(*list, remote));
    EXPECT_EQ(onScreen(*list, first)->ownerPID, orphans);
    EXPECT_EQ(onScreen(*list, remote)->ownerPID, far);

    hand.destroy(first);
    hand.destroy(second);
    ASSERT_TRUE(gone(first) && gone(second));
    EXPECT_FALSE(workspace_->runningApp(orphans));
    EXPECT_TRUE(accessibility_->windows(orphans).empty());
}

TEST_F(X11Apps, WindowsComeFrontToBackWithTheirKindsAndRaiseReorders) {
    HandMadeWindows hand;
    const XID gamma = hand.make({.title = "Gämma"});
    ASSERT_TRUE(managed({gamma}));
    const XID delta = hand.make({.title = "Delta"});
    const XID dialog = hand.make({.title = "Save?", .transientFor = xcb_window_t(delta)});
    const XID palette = hand.make({.title = "Tools", .type = "_NET_WM_WINDOW_TYPE_UTILITY"});
    ASSERT_TRUE(managed({delta, dialog, palette}));
    // A dialog is transient for another window.
    ASSERT_TRUE(becomes(kinds, self,
                        {"Tools AXFloatingWindow", "Save? AXDialog", "Delta AXStandardWindow",
                         "Gämma AXStandardWindow"}));
    const auto windows = accessibility_->windows(self);
    ASSERT_EQ(windows.size(), 4u);
    EXPECT_EQ(windows[3].element, (WindowElement{self, gamma}));
    EXPECT_EQ(windows[3].windowID, quint32(gamma));
    EXPECT_EQ(windows[3].minimized, false);

    accessibility_->raise(windows[3].element);
    ASSERT_TRUE(waitForActive(gamma));
    EXPECT_TRUE(waitForEvents([&] { return titles(self).first() == "Gämma"; }));
    EXPECT_TRUE(becomesFrontmost(self));

    accessibility_->setMain(windows[2].element);
    ASSERT_TRUE(waitForActive(delta));
    EXPECT_TRUE(waitForEvents(
        [&] { return titles(self).indexOf("Delta") < titles(self).indexOf("Gämma"); }));

    // The xterms' own windows, each alone in its process.
    EXPECT_EQ(kinds(alpha_.pid), QStringList{"Alpha AXStandardWindow"});
    EXPECT_EQ(accessibility_->windows(alpha_.pid).at(0).windowID, quint32(alpha_.window));
}

TEST_F(X11Apps, MinimizingHidesAWindowAndActivatingBringsItBack) {
    const WindowElement beta{beta_.pid, beta_.window};
    ASSERT_TRUE(xdotool({"windowminimize", QString::number(beta_.window)}));
    ASSERT_TRUE(waitForEvents([&] { return minimized(beta_.pid, beta_.window) == true; }));
    EXPECT_TRUE(hidden(beta_.pid)) << "its only window is minimized";
    auto list = windowList_->onScreenWindows();
    ASSERT_TRUE(list);
    EXPECT_FALSE(onScreen(*list, beta_.window)) << "a minimized window is not on screen";
    EXPECT_EQ(WindowSource::visibleCounts(*windowList_).count(beta_.pid), 0u);

    // The window manager may mark the window active before it clears its hidden state.
    accessibility_->setMinimized(beta, false);
    ASSERT_TRUE(waitForActive(beta_.window));
    EXPECT_TRUE(waitForEvents([&] { return minimized(beta_.pid, beta_.window) == false; }));
    EXPECT_FALSE(hidden(beta_.pid));
    EXPECT_TRUE(becomesFrontmost(beta_.pid));

    accessibility_->setMinimized(beta, true);
    ASSERT_TRUE(waitForEvents([&] { return minimized(beta_.pid, beta_.window) == true; }));
    workspace_->activate(beta_.pid);
    ASSERT_TRUE(waitForActive(beta_.window)) << "activating de-minimizes";
    EXPECT_TRUE(waitForEvents([&] { return minimized(beta_.pid, beta_.window) == false; }));

    ASSERT_TRUE(activate(alpha_));
    EXPECT_TRUE(becomesFrontmost(alpha_.pid));
}

// The main window is the front one that is not minimized; hiding minimizes every window, and
// unhiding brings them all back.
TEST_F(X11Apps, HideMinimizesEveryWindowAndUnhideRestoresThem) {
    HandMadeWindows hand;
    const XID one = hand.make({.title = "One"});
    const XID two = hand.make({.title = "Two"});
    ASSERT_TRUE(managed({one, two}));
    ASSERT_TRUE(waitForActive(two));
    EXPECT_TRUE(becomes(states, self, {"One", "Two*"}));

    accessibility_->setMinimized({self, two}, true);
    EXPECT_TRUE(becomes(states, self, {"One*", "Two_"}));
    EXPECT_FALSE(hidden(self)) << "One is still open";

    workspace_->hide(self);
    EXPECT_TRUE(becomes(states, self, {"One_", "Two_"})) << "none is main";
    EXPECT_TRUE(hidden(self));
    workspace_->hide(self);  // again: nothing changes
    EXPECT_TRUE(hidden(self));
    workspace_->hide(0x3ffffff);  // no such app: nothing happens

    workspace_->unhide(self);
    ASSERT_TRUE(waitForEvents(
        [&] { return minimized(self, one) == false && minimized(self, two) == false; }));
    EXPECT_FALSE(hidden(self));
}

// The session's window manager has four desktops. What the user is on comes first, the other
// desktops' windows follow and are reached by switching there; a sticky window is everywhere.
TEST_F(X11Apps, WindowsOfOtherDesktopsFollowAndPickingOneSwitchesThere) {
    ASSERT_EQ(currentDesktop(), 0ul);
    // Whatever fails, the suite's other tests go on with desktops, on the first one.
    struct BackToFirstDesktop {
        ~BackToFirstDesktop() {
            if (!currentDesktop())
                setDesktops(true);
            xdotool({"set_desktop", "0"});
            EXPECT_TRUE(waitForDesktop(0));
        }
    } restore;
    HandMadeWindows hand;
    const XID here = hand.make({.title = "Here"});
    const XID everywhere = hand.make({.title = "Everywhere", .desktop = 0xffffffff});
    ASSERT_TRUE(managed({here, everywhere}));
    const XID there = hand.make({.title = "There"});
    ASSERT_TRUE(managed({there}));
    ASSERT_TRUE(waitForActive(there));
    // Sent away as a user sends it: above the others, out of sight.
    ASSERT_TRUE(sendToDesktop(there, 1));
    ASSERT_EQ(topWindow(), there);
    ASSERT_EQ(currentDesktop(), 0ul);

    EXPECT_EQ(titles(self), QStringList({"Everywhere", "Here", "There"}));
    // The main window is one the user can see; elsewhere is not minimized.
    EXPECT_EQ(states(self), QStringList({"Everywhere*", "Here", "There"}));
    EXPECT_FALSE(hidden(self));
    const auto list = windowList_->onScreenWindows();
    ASSERT_TRUE(list);
    EXPECT_TRUE(onScreen(*list, here) && onScreen(*list, everywhere));
    EXPECT_FALSE(onScreen(*list, there)) << "counted only where the user sees it";

    // Activating the app brings its window here forward, not the one stacked higher elsewhere.
    EXPECT_EQ(activeAfter([&] { workspace_->activate(self); }), everywhere);
    EXPECT_EQ(currentDesktop(), 0ul);

    // Picking the window elsewhere goes there; the sticky window is there too.
    accessibility_->raise({self, there});
    EXPECT_TRUE(waitForDesktop(1));
    EXPECT_TRUE(waitForActive(there));
    EXPECT_TRUE(becomes(titles, self, {"There", "Everywhere", "Here"}));

    // A window moved to another desktop after it was listed is found where it is now.
    ASSERT_TRUE(sendToDesktop(here, 2));
    accessibility_->raise({self, here});
    EXPECT_TRUE(waitForDesktop(2));
    EXPECT_TRUE(waitForActive(here));

    // Without desktops every window is where the user is: the plain front-to-back order.
    xdotool({"set_desktop", "0"});
    ASSERT_TRUE(waitForDesktop(0));
    setDesktops(false);
    QStringList stacked;
    for (XID window : connection_->windows(connection_->root(), "_NET_CLIENT_LIST_STACKING")) {
        if (window == here || window == there || window == everywhere)
            stacked.prepend(window == here ? "Here" : window == there ? "There" : "Everywhere");
    }
    EXPECT_EQ(titles(self), stacked);
    EXPECT_EQ(titles(self).size(), 3);
    setDesktops(true);
    // A window that is gone between the listing and the pick is left alone.
    hand.destroy(there);
    ASSERT_TRUE(gone(there));
    EXPECT_EQ(activeAfter([&] {
                  accessibility_->raise({self, there});
                  workspace_->activate(self);
              }),
              everywhere);
    EXPECT_EQ(currentDesktop(), 0ul);
}

// Listings keep what the clients said; each must still see every change made before it began.
// The changes are complete at the server before the listing, so it sees them at once.
TEST_F(X11Apps, AListingSeesWhatChangedSinceTheLastOne) {
    HandMadeWindows hand;
    const XID first = hand.make({.title = "First"});
    ASSERT_TRUE(managed({first}));
    ASSERT_TRUE(waitForEvents([&] { return desktopOf(first) == 0ul; }));
    EXPECT_EQ(titles(self), QStringList({"First"}));

    hand.retitle(first, "First, renamed");
    EXPECT_EQ(titles(self), QStringList({"First, renamed"}));
    const XID second = hand.make({.title = "Second"});
    ASSERT_TRUE(managed({second}));
    ASSERT_TRUE(waitForEvents([&] { return desktopOf(second) == 0ul; }));
    EXPECT_EQ(titles(self).size(), 2);
    EXPECT_TRUE(titles(self).contains("Second"));

    // Sent to another desktop: listed after the windows of this one.
    ASSERT_TRUE(sendToDesktop(second, 1));
    EXPECT_EQ(titles(self), QStringList({"First, renamed", "Second"}));
    ASSERT_TRUE(sendToDesktop(first, 1) && sendToDesktop(second, 0));
    EXPECT_EQ(titles(self), QStringList({"Second", "First, renamed"}));

    hand.destroy(first);
    ASSERT_TRUE(gone(first));
    EXPECT_EQ(titles(self), QStringList({"Second"}));

    // A window's id goes to the next window made with it, here of a client without a process.
    const XID id = hand.make({.title = "Old", .instance = "reused", .wmClass = "Reused"});
    ASSERT_TRUE(waitForEvents([&] { return isManaged(id) && desktopOf(id); }));
    EXPECT_EQ(titles(self), QStringList({"Old", "Second"}));
    hand.destroy(id);
    hand.make(orphan("New", "reused", "Reused"), xcb_window_t(id));
    // Managed anew: the window manager puts its desktop on the new window. Until the server has
    // run the other connection's requests, the old window may still answer for the id.
    ASSERT_TRUE(waitForEvents([&] {
        return connection_->text(id, "_NET_WM_NAME") == QStringLiteral("New") && isManaged(id) &&
               desktopOf(id);
    }));
    EXPECT_EQ(titles(self), QStringList({"Second"}));
    EXPECT_EQ(titles(X11Accessibility::classPID("Reused")), QStringList({"New"}));
    hand.destroy(id);

    // An entry installed meanwhile names the app at the next listing.
    const qint32 reused = X11Accessibility::classPID("Reused");
    ASSERT_TRUE(gone(id));
    const XID later = hand.make(orphan("Later", "later", "Later"));
    ASSERT_TRUE(managed({later}));
    const qint32 laterPID = X11Accessibility::classPID("Later");
    EXPECT_EQ(workspace_->runningApp(laterPID)->localizedName, "Later");
    EXPECT_FALSE(workspace_->runningApp(reused));
    writeEntry(QStringLiteral("tandri-test-later"),
               QStringLiteral("Name=Later App\nExec=later\nStartupWMClass=Later"));
    EXPECT_EQ(workspace_->runningApp(laterPID)->localizedName, "Later App");
}

TEST_F(X11Apps, OnScreenWindowsAreFramesInPointsYUpWithoutDesktopElements) {
    HandMadeWindows hand;
    const XID big = hand.make({.title = "Big", .width = 300, .height = 200});
    const XID small = hand.make({.title = "Small", .width = 40, .height = 30});
    const XID dock = hand.make(
        {.title = "Panel", .type = "_NET_WM_WINDOW_TYPE_DOCK", .width = 400, .height = 100});
    const XID tools = hand.make({.title = "Tools", .type = "_NET_WM_WINDOW_TYPE_UTILITY"});
    ASSERT_TRUE(managed({big, small, dock, tools}));
    ASSERT_TRUE(activate(alpha_));
    ASSERT_TRUE(waitForEvents([&] {
        const auto list = windowList_->onScreenWindows();
        return list && !list->empty() && list->front().windowID == alpha_.window;
    })) << "the active window is the front one";

    const auto list = windowList_->onScreenWindows();
    ASSERT_TRUE(list);
    EXPECT_FALSE(onScreen(*list, dock)) << "docks are desktop elements";
    ASSERT_TRUE(onScreen(*list, big) && onScreen(*list, small) && onScreen(*list, tools));
    EXPECT_EQ(onScreen(*list, tools)->layer, 3);

    // The frame: the client's place on the root window widened by the frame extents.
    Window child = 0;
    int x = 0, y = 0;
    XTranslateCoordinates(connection_->display(), alpha_.window, connection_->root(), 0, 0, &x, &y,
                          &child);
    XWindowAttributes client;
    ASSERT_TRUE(XGetWindowAttributes(connection_->display(), alpha_.window, &client));
    const auto extents = connection_->cardinals(alpha_.window, "_NET_FRAME_EXTENTS");
    ASSERT_TRUE(extents && extents->size() == 4);
    const double left = double((*extents)[0]), right = double((*extents)[1]);
    const double top = double((*extents)[2]), bottom = double((*extents)[3]);
    const QRectF frame(x - left, y - top, client.width + left + right,
                       client.height + top + bottom);

    const ServerWindow* alpha = onScreen(*list, alpha_.window);
    ASSERT_TRUE(alpha && alpha->bounds);
    EXPECT_EQ(alpha->ownerPID, alpha_.pid);
    EXPECT_EQ(alpha->layer, 0);
    EXPECT_EQ(alpha->alpha, 1.0);
    EXPECT_NEAR(alpha->bounds->x(), frame.x(), 1.0);
    EXPECT_NEAR(alpha->bounds->y(), screenBottom - frame.bottom(), 1.0)
        << "y up from the screen's bottom";
    EXPECT_NEAR(alpha->bounds->width(), frame.width(), 1.0);
    EXPECT_NEAR(alpha->bounds->height(), frame.height(), 1.0);

    const auto counts = WindowSource::visibleCounts(*windowList_);
    EXPECT_EQ(counts.at(alpha_.pid), 1);
    EXPECT_EQ(counts.at(clock_.pid), 1);
    EXPECT_EQ(counts.at(self), 1) << "the small window, the palette and the dock do not count";
    EXPECT_TRUE(windowList_->screenCaptureAllowed()) << "the session's server has Composite";
}

TEST_F(X11Apps, VanishedWindowsAndEndedProcessesAreLeftAlone) {
    const Started ended = start(QStringLiteral("xterm"), {"-T", "Gone"});
    ASSERT_TRUE(ended.window);
    const WindowElement element{ended.pid, ended.window};
    ASSERT_EQ(accessibility_->windows(ended.pid).size(), 1u);
    ASSERT_TRUE(activate(alpha_));

    // Another process's number on a live window: not that process's window.
    accessibility_->raise({ended.pid, alpha_.window});
    accessibility_->setMinimized({ended.pid, beta_.window}, true);

    ASSERT_EQ(::kill(ended.pid, SIGKILL), 0);
    ASSERT_TRUE(gone(ended.window));
    // The window manager may move the focus itself as the window goes; what follows must start
    // from a known active window to tell whether it moves it.
    ASSERT_TRUE(activate(alpha_));
    EXPECT_TRUE(accessibility_->windows(ended.pid).empty());
    EXPECT_FALSE(workspace_->runningApp(ended.pid));
    accessibility_->setMinimized(element, true);
    accessibility_->setMinimized(element, false);
    accessibility_->setMain(element);
    accessibility_->raise(element);
    workspace_->activate(ended.pid);
    workspace_->unhide(ended.pid);
    connection_->trapErrors([] {});  // let the server answer anything sent

    EXPECT_FALSE(waitForEvents([&] { return activeWindow() != alpha_.window; }, 500));
    EXPECT_EQ(minimized(beta_.pid, beta_.window), false);
}

TEST_F(X11Apps, OpeningAnEntryActivatesItsProcessOrLaunchesIt) {
    auto open = [&](const QString& path) {
        std::optional<std::optional<QString>> result;
        workspace_->openApplication(QUrl::fromLocalFile(path), true,
                                    [&](std::optional<QString> error) { result = error; });
        EXPECT_TRUE(result) << "the completion runs before openApplication returns";
        return result.value_or(QStringLiteral("<no completion>"));
    };
    ASSERT_TRUE(activate(alpha_));

    EXPECT_EQ(open(clockEntry_), std::nullopt);
    // xclock takes no keyboard focus, so it cannot become the active window; it is raised.
    ASSERT_TRUE(waitForEvents([&] { return topWindow() == clock_.window; }))
        << "the running clock comes to the front";
    EXPECT_EQ(clientOf(clock_.pid), clock_.window);

    const QString eyes = writeEntry(QStringLiteral("tandri-test-eyes"),
                                    QStringLiteral("Name=Test Eyes\nExec=xeyes -geometry "
                                                   "120x100\nStartupWMClass=XEyes"));
    EXPECT_EQ(open(eyes), std::nullopt);
    const auto launched = [] {
        std::vector<qint32> pids;
        for (const RunningApp& a : workspace_->runningApps()) {
            if (a.bundleID == "tandri-test-eyes")
                pids.push_back(a.pid);
        }
        return pids;
    };
    ASSERT_TRUE(waitForEvents([&] { return !launched().empty(); }, patience));
    const qint32 pid = launched().front();
    EXPECT_EQ(workspace_->runningApp(pid)->localizedName, "Test Eyes");
    EXPECT_EQ(open(eyes), std::nullopt);
    EXPECT_EQ(launched().size(), 1u) << "a running entry is not launched again";
    ::kill(pid, SIGTERM);

    const QString missing = home_->filePath(QStringLiteral("nowhere.desktop"));
    EXPECT_EQ(open(missing), QStringLiteral("No application at ") + missing);
    const QString text = home_->filePath(QStringLiteral("notes.txt"));
    writeFile(text, {});
    EXPECT_EQ(open(text), text + QStringLiteral(" is not an application"));
    const QString broken = writeEntry(QStringLiteral("tandri-test-broken"),
                                      QStringLiteral("Name=Broken\nExec=/nonexistent/broken"));
    EXPECT_EQ(open(broken), QStringLiteral("Broken could not be started"));
}

TEST_F(X11Apps, OpeningFilesRunsTheEntryOncePerFileByItsFieldCode) {
    const QString log = home_->filePath("calls.log");
    const QString script = home_->filePath("record.sh");
    // One write per call: a line written in pieces could be read half done.
    writeFile(script,
              "#!/bin/sh\nline=call; for a in \"$@\"; do line=\"$line [$a]\"; done; "
              "printf '%s\\n' \"$line\" >> \"" +
                  QFile::encodeName(log) + "\"\n");
    ASSERT_TRUE(QFile::setPermissions(script, QFile::ReadOwner | QFile::ExeOwner));
    const QUrl entry =
        QUrl::fromLocalFile(writeEntry("one-file", "Name=One\nExec=" + script + " --from %f"));
    const QUrl a = QUrl::fromLocalFile("/tmp/one file.txt"),
               b = QUrl::fromLocalFile("/tmp/two.txt");
    const auto lines = [&] {
        QStringList list = QString::fromUtf8(fileContents(log)).split('\n', Qt::SkipEmptyParts);
        list.sort();
        return list;
    };

    workspace_->openFiles({a, b}, entry, false);
    ASSERT_TRUE(waitForEvents([&] { return lines().size() == 2; }));
    EXPECT_EQ(lines(),
              QStringList({"call [--from] [/tmp/one file.txt]", "call [--from] [/tmp/two.txt]"}));

    // Nothing to open, or no application: nothing runs.
    QFile::remove(log);
    workspace_->openFiles({}, entry, true);
    workspace_->openFiles({a}, QUrl::fromLocalFile(home_->filePath("missing.desktop")), true);
    workspace_->openFiles({a}, QUrl("https://example.invalid/app.desktop"), true);
    waitForEvents([] { return false; }, 300);
    EXPECT_FALSE(QFile::exists(log));
}

TEST_F(X11Apps, TerminateAsksAndForceTerminateKillsButNeverThisProgramNorAWindowlessOne) {
    // Not a terminal: one asked to close before its shell has started never ends.
    const Started closable = start(TEST_CLIENT, {"Closable", "Closable Window"});
    ASSERT_TRUE(closable.window);
    workspace_->terminate(closable.pid);
    EXPECT_TRUE(
        waitForEvents([&] { return closable.process->state() == QProcess::NotRunning; }, patience));
    EXPECT_EQ(closable.process->exitStatus(), QProcess::NormalExit) << "killed, not asked";
    EXPECT_EQ(closable.process->exitCode(), 0) << "cut off by the server instead of asked";

    const Started orphan = start(TEST_CLIENT, {"--no-pid", "Orphanage", "Orphan Window"}, false);
    const qint32 group = X11Accessibility::classPID("Orphanage");
    ASSERT_TRUE(waitForEvents([&] { return workspace_->runningApp(group).has_value(); }, patience));
    EXPECT_FALSE(workspace_->runningApp(orphan.pid));
    workspace_->forceTerminate(group);
    EXPECT_TRUE(waitForEvents([&] { return !workspace_->runningApp(group); }, patience));
    EXPECT_TRUE(
        waitForEvents([&] { return orphan.process->state() == QProcess::NotRunning; }, patience))
        << "its connection was closed";
    // Forced, an app is killed; never this program, nor a process without windows.
    const Started doomed = start("xterm", {"-T", "Doomed"});
    ASSERT_TRUE(doomed.window);
    workspace_->forceTerminate(doomed.pid);
    EXPECT_TRUE(
        waitForEvents([&] { return doomed.process->state() == QProcess::NotRunning; }, patience));
    EXPECT_EQ(doomed.process->exitStatus(), QProcess::CrashExit);
    EXPECT_EQ(doomed.process->exitCode(), SIGKILL);

    HandMadeWindows hand;
    ASSERT_TRUE(managed({hand.make({.title = "Own"})}));
    ASSERT_TRUE(workspace_->runningApp(self));
    workspace_->forceTerminate(self);
    const Started sleeper = start("sleep", {"30"}, false);
    workspace_->forceTerminate(sleeper.pid);
    waitForEvents([] { return false; }, 300);
    EXPECT_EQ(sleeper.process->state(), QProcess::Running);
    EXPECT_TRUE(workspace_->runningApp(self)) << "still here";
}

TEST_F(X11Apps, EntriesFilesAndTheTrashAsTheFileManagerNamesThem) {
    EXPECT_TRUE(accessibility_->isTrusted()) << "openbox answers";
    EXPECT_EQ(workspace_->urlForBundleIdentifier(QStringLiteral("tandri-test-clock")),
              QUrl::fromLocalFile(clockEntry_));
    EXPECT_FALSE(workspace_->urlForBundleIdentifier(QStringLiteral("no.such.app")));
    EXPECT_EQ(workspace_->bundleIdentifier(QUrl::fromLocalFile(clockEntry_)), "tandri-test-clock");
    EXPECT_FALSE(workspace_->bundleIdentifier(QUrl::fromLocalFile(home_->path())));
    EXPECT_FALSE(
        workspace_->bundleIdentifier(QUrl(QStringLiteral("https://example.com/a.desktop"))));

    EXPECT_EQ(workspace_->displayName(clockEntry_), "Test Clock");
    EXPECT_EQ(workspace_->displayName(home_->path() + QStringLiteral("/data/")), "data");
    EXPECT_EQ(workspace_->displayName(QStringLiteral("/")), "/");
    EXPECT_EQ(workspace_->applicationSuffix(), ".desktop");

    for (const QString& path :
         {home_->path(), clockEntry_, home_->filePath(QStringLiteral("x.txt")),
          QStringLiteral("/no/such/file")}) {
        EXPECT_FALSE(workspace_->iconForFile(path).isNull()) << path.toStdString();
    }
    EXPECT_EQ(workspace_->iconForFile(clockEntry_).pixelColor(64, 64), QColor(Qt::red));
    EXPECT_FALSE(workspace_->trashIcon().isNull());

    // Moved into the freedesktop Trash that trashURL names.
    const QString trash = home_->filePath(QStringLiteral("data/Trash/"));
    EXPECT_EQ(workspace_->trashURL(), QUrl::fromLocalFile(trash + "files"));
    const QString file = home_->filePath("Draft.txt");
    writeFile(file, "draft");
    EXPECT_TRUE(workspace_->moveToTrash(QUrl::fromLocalFile(file)));
    EXPECT_FALSE(QFile::exists(file));
    EXPECT_EQ(fileContents(trash + "files/Draft.txt"), "draft");
    EXPECT_FALSE(workspace_->moveToTrash(QUrl("https://example.invalid/Draft.txt")));
}

TEST_F(X11Apps, ListingsRunOnAnyThreadWhileTheMainThreadActs) {
    std::atomic<bool> stop = false;
    auto list = [&] {
        int rounds = 0;
        bool consistent = true;
        while (!stop || rounds < 20) {
            const auto windows = accessibility_->windows(alpha_.pid);
            const auto screen = windowList_->onScreenWindows();
            consistent = consistent && windows.size() == 1 && screen.has_value();
            ++rounds;
        }
        return consistent;
    };
    auto first = std::async(std::launch::async, list);
    auto second = std::async(std::launch::async, list);
    for (int i = 0; i < 10; ++i) {
        workspace_->activate(i % 2 ? alpha_.pid : beta_.pid);
        EXPECT_FALSE(workspace_->runningApps().empty());
    }
    stop = true;
    EXPECT_TRUE(first.get());
    EXPECT_TRUE(second.get());
}

TEST_F(X11Apps, UrlsOpenWithTheDesktopAndRevealFallsBackToTheFolders) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected() && bus.interface()) {
        const QStringList names = bus.interface()->activatableServiceNames().value() +
                                  bus.interface()->registeredServiceNames().value();
        if (names.contains(QStringLiteral("org.freedesktop.FileManager1")))
            GTEST_SKIP() << "a file manager answers on this session bus";
    }
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &catcher, "open");
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &catcher, "open");
    const QUrl page(QStringLiteral("https://example.com/a?b=c"));
    workspace_->openURL(page);
    EXPECT_EQ(catcher.urls, QList<QUrl>({page}));

    catcher.urls.clear();
    const QString a = home_->filePath(QStringLiteral("a")),
                  b = home_->filePath(QStringLiteral("b"));
    workspace_->revealInFileManager({QUrl::fromLocalFile(a + QStringLiteral("/x.txt")),
                                     QUrl::fromLocalFile(a + QStringLiteral("/y.txt")),
                                     QUrl::fromLocalFile(b + QStringLiteral("/z"))});
    EXPECT_TRUE(waitForEvents([&] { return catcher.urls.size() >= 2; }));
    EXPECT_EQ(catcher.urls, QList<QUrl>({QUrl::fromLocalFile(a), QUrl::fromLocalFile(b)}))
        << "each folder once, without a file manager to select the items";
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
}

}  // namespace
}  // namespace tandri::x11::test

#include "x11apps_test.moc"
