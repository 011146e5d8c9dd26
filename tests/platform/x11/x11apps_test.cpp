#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDateTime>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <atomic>
#include <functional>
#include <future>
#include <iostream>
#include <memory>

#include "platform/common/drawnicons.h"
#include "platform/x11/desktopentries.h"
#include "platform/x11/x11accessibility.h"
#include "platform/x11/x11connection.h"
#include "platform/x11/x11windowlist.h"
#include "platform/x11/x11workspace.h"
#include "support/waitforevents.h"
#include "windows/windowsource.h"

// After every Qt header: Xlib defines macros (Bool, Status, None) that Qt's headers refuse.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <csignal>

namespace tandri::x11 {
namespace {

using test::patience;
using test::waitForEvents;

constexpr int screenBottom = 900;  // the session's one screen is 1440x900

// Windows made by hand on a connection of the test's own, standing in for other programs. The one
// connection lives as long as the test program, so that no test's window gets the id of an earlier
// test's: the window manager, letting go of the old window late, would put the old size on the new.
class HandMadeWindows {
public:
    HandMadeWindows() : display_(shared()) {}
    ~HandMadeWindows() {
        if (!display_)
            return;
        // Gone from the server before the next test looks.
        for (XID window : made_) XDestroyWindow(display_, window);
        XSync(display_, False);
    }
    HandMadeWindows(const HandMadeWindows&) = delete;
    HandMadeWindows& operator=(const HandMadeWindows&) = delete;

    struct Plan {
        QByteArray title;
        QByteArray instance;
        QByteArray wmClass;
        std::optional<long> pid;
        QByteArray machine;
        QByteArray type;
        XID transientFor = 0;
        std::optional<long> desktop;
        int width = 200;
        int height = 150;

        Plan& owned(long process) {
            pid = process;
            return *this;
        }
        Plan& onMachine(const char* name) {
            machine = name;
            return *this;
        }
        Plan& typed(const char* name) {
            type = name;
            return *this;
        }
        Plan& transientTo(XID window) {
            transientFor = window;
            return *this;
        }
        /// 0xFFFFFFFF: every desktop.
        Plan& onDesktop(long number) {
            desktop = number;
            return *this;
        }
        Plan& sized(int w, int h) {
            width = w;
            height = h;
            return *this;
        }
    };

    /// A window of this test's own process.
    static Plan own(const char* title) {
        Plan plan = orphan(title, "own", "Own");
        plan.pid = getpid();
        return plan;
    }
    /// A window that names no process.
    static Plan orphan(const char* title, const char* instance, const char* wmClass) {
        Plan plan;
        plan.title = title;
        plan.instance = instance;
        plan.wmClass = wmClass;
        return plan;
    }

    XID make(const Plan& plan) {
        const Window window =
            XCreateSimpleWindow(display_, DefaultRootWindow(display_), 0, 0, unsigned(plan.width),
                                unsigned(plan.height), 0, 0, 0xffffff);
        QByteArray instance = plan.instance, wmClass = plan.wmClass;
        XClassHint hint{instance.data(), wmClass.data()};
        XSetClassHint(display_, window, &hint);
        const QByteArray& title = plan.title;
        XChangeProperty(display_, window, atom("_NET_WM_NAME"), atom("UTF8_STRING"), 8,
                        PropModeReplace, reinterpret_cast<const unsigned char*>(title.data()),
                        int(title.size()));
        if (plan.pid) {
            const long pid = *plan.pid;
            XChangeProperty(display_, window, atom("_NET_WM_PID"), XA_CARDINAL, 32, PropModeReplace,
                            reinterpret_cast<const unsigned char*>(&pid), 1);
        }
        if (!plan.machine.isEmpty()) {
            XChangeProperty(display_, window, XA_WM_CLIENT_MACHINE, XA_STRING, 8, PropModeReplace,
                            reinterpret_cast<const unsigned char*>(plan.machine.data()),
                            int(plan.machine.size()));
        }
        if (!plan.type.isEmpty()) {
            const Atom type = atom(plan.type.constData());
            XChangeProperty(display_, window, atom("_NET_WM_WINDOW_TYPE"), XA_ATOM, 32,
                            PropModeReplace, reinterpret_cast<const unsigned char*>(&type), 1);
        }
        if (plan.transientFor)
            XSetTransientForHint(display_, window, plan.transientFor);
        if (plan.desktop) {
            const long desktop = *plan.desktop;
            XChangeProperty(display_, window, atom("_NET_WM_DESKTOP"), XA_CARDINAL, 32,
                            PropModeReplace, reinterpret_cast<const unsigned char*>(&desktop), 1);
        }
        XMapWindow(display_, window);
        XFlush(display_);
        made_.push_back(window);
        return window;
    }

    void destroy(XID window) {
        XDestroyWindow(display_, window);
        XFlush(display_);
        std::erase(made_, window);
    }

    /// Done at the server when this returns.
    void retitle(XID window, const QByteArray& title) {
        XChangeProperty(display_, window, atom("_NET_WM_NAME"), atom("UTF8_STRING"), 8,
                        PropModeReplace, reinterpret_cast<const unsigned char*>(title.data()),
                        int(title.size()));
        XSync(display_, False);
    }

    bool isOpen() const { return display_ != nullptr; }

private:
    static Display* shared() {
        static Display* const display = XOpenDisplay(nullptr);
        return display;
    }
    Atom atom(const char* name) { return XInternAtom(display_, name, False); }
    Display* display_;
    std::vector<XID> made_;
};

struct Started {
    qint32 pid = 0;
    XID window = 0;
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
        const QString applications = home_->filePath(QStringLiteral("data/applications"));
        QDir().mkpath(applications);
        qputenv("XDG_DATA_HOME", home_->filePath(QStringLiteral("data")).toLocal8Bit());

        QImage red(32, 32, QImage::Format_ARGB32);
        red.fill(Qt::red);
        const QString redIcon = home_->filePath(QStringLiteral("red.png"));
        red.save(redIcon);
        // Pixmaps in sizes, as older packages ship them, for a program with no entry: the
        // larger is the one to show.
        const QString pixmaps = home_->filePath(QStringLiteral("data/pixmaps"));
        QDir().mkpath(pixmaps);
        QImage small(16, 16, QImage::Format_ARGB32);
        small.fill(Qt::blue);
        small.save(pixmaps + QStringLiteral("/sized_16x16.png"));
        QImage large(48, 48, QImage::Format_ARGB32);
        large.fill(Qt::red);
        large.save(pixmaps + QStringLiteral("/sized_48x48.png"));
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
        const QString path =
            home_->filePath(QStringLiteral("data/applications/") + id + QStringLiteral(".desktop"));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("[Desktop Entry]\nType=Application\n" + keys.toUtf8() + "\n");
        return path;
    }

    // Starts a program and waits for its window to be managed.
    static Started start(const QString& program, const QStringList& arguments) {
        auto process = std::make_unique<QProcess>();
        process->start(program, arguments);
        EXPECT_TRUE(process->waitForStarted(5000)) << program.toStdString();
        Started started{qint32(process->processId()), 0};
        processes_.push_back(std::move(process));
        EXPECT_TRUE(
            waitForEvents([&] { return (started.window = clientOf(started.pid)) != 0; }, patience))
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

    // Listed by the window manager, and framed by it: a window made with the id of one the
    // manager has not let go yet is listed before it is taken. A window gone counts while listed.
    static bool isManaged(XID window) {
        const auto clients = connection_->windows(connection_->root(), "_NET_CLIENT_LIST");
        if (std::find(clients.begin(), clients.end(), window) == clients.end())
            return false;
        Window root = 0, parent = 0;
        Window* children = nullptr;
        unsigned int count = 0;
        Status found = 0;
        connection_->trapErrors([&] {
            found = XQueryTree(connection_->display(), window, &root, &parent, &children, &count);
        });
        if (children)
            XFree(children);
        return !found || parent != connection_->root();
    }

    static XID activeWindow() {
        const auto active = connection_->windows(connection_->root(), "_NET_ACTIVE_WINDOW");
        return active.empty() ? 0 : active.front();
    }

    static XID topWindow() {
        const auto stacking =
            connection_->windows(connection_->root(), "_NET_CLIENT_LIST_STACKING");
        return stacking.empty() ? 0 : stacking.back();
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
    // Takes the window manager's desktops off the root window, as one without desktops has it,
    // or puts the session's four back (the first one current).
    static void setDesktops(bool four) {
        Display* display = connection_->display();
        for (auto [name, value] :
             {std::pair{"_NET_CURRENT_DESKTOP", 0l}, {"_NET_NUMBER_OF_DESKTOPS", 4l}}) {
            if (four) {
                XChangeProperty(display, connection_->root(), connection_->atom(name), XA_CARDINAL,
                                32, PropModeReplace, reinterpret_cast<const unsigned char*>(&value),
                                1);
            } else {
                XDeleteProperty(display, connection_->root(), connection_->atom(name));
            }
        }
        XSync(display, False);
    }
    static bool waitForDesktop(unsigned long desktop) {
        return waitForEvents([&] { return currentDesktop() == desktop; }, patience);
    }

    static bool waitForActive(XID window) {
        return waitForEvents([&] { return activeWindow() == window; }, patience);
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

    static QStringList titles(qint32 pid) {
        QStringList list;
        for (const AXWindow& window : accessibility_->windows(pid))
            list << window.title.value_or(QStringLiteral("<none>"));
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

    static bool xdotool(const QStringList& arguments) {
        return QProcess::execute(QStringLiteral("xdotool"), arguments) == 0;
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

    EXPECT_EQ(workspace_->ownPID(), qint32(getpid()));
    EXPECT_EQ(workspace_->runningApp(clock_.pid)->bundleID, "tandri-test-clock");
    EXPECT_FALSE(workspace_->runningApp(0x3fffff));
}

TEST_F(X11Apps, ClientsWithoutAProcessOfThisMachineAreGroupedByClass) {
    HandMadeWindows hand;
    ASSERT_TRUE(hand.isOpen());
    const XID first = hand.make(HandMadeWindows::orphan("Orphan One", "orphan", "Orphan"));
    const XID second = hand.make(HandMadeWindows::orphan("Orphan Two", "orphan", "Orphan"));
    const XID remote = hand.make(HandMadeWindows::orphan("Far", "far", "Far")
                                     .owned(getpid())
                                     .onMachine("elsewhere.invalid"));
    ASSERT_TRUE(
        waitForEvents([&] { return isManaged(first) && isManaged(second) && isManaged(remote); }));

    const qint32 orphans = X11Accessibility::classPID(QStringLiteral("Orphan"));
    EXPECT_GE(orphans, 0x40000000);
    EXPECT_NE(orphans, X11Accessibility::classPID(QStringLiteral("Far")));
    const auto apps = workspace_->runningApps();
    const auto orphan = app(apps, orphans);
    ASSERT_TRUE(orphan);
    EXPECT_EQ(orphan->localizedName, "Orphan");
    EXPECT_FALSE(orphan->launchDate);
    EXPECT_FALSE(orphan->bundleID);
    EXPECT_EQ(orphan->icon.size(), QSize(128, 128)) << "the window's icon or a drawn initial";

    // A class named in the pixmaps folder has that picture, the largest of its sizes.
    const XID sized = hand.make(HandMadeWindows::orphan("Sized", "sized", "Sized"));
    ASSERT_TRUE(waitForEvents([&] { return isManaged(sized); }));
    const auto sizedApp = app(workspace_->runningApps(), X11Accessibility::classPID("Sized"));
    ASSERT_TRUE(sizedApp);
    EXPECT_EQ(sizedApp->icon.pixelColor(64, 64), QColor(Qt::red));
    EXPECT_EQ(titles(orphans), QStringList({"Orphan Two", "Orphan One"}));

    const qint32 far = X11Accessibility::classPID(QStringLiteral("Far"));
    EXPECT_TRUE(app(apps, far)) << "another machine's pid is no process here";
    EXPECT_EQ(titles(far), QStringList({"Far"}));
    EXPECT_FALSE(titles(qint32(getpid())).contains(QStringLiteral("Far")));

    // The window list names the same owners.
    const auto list = windowList_->onScreenWindows();
    ASSERT_TRUE(list);
    ASSERT_TRUE(onScreen(*list, first));
    EXPECT_EQ(onScreen(*list, first)->ownerPID, orphans);
    EXPECT_EQ(onScreen(*list, remote)->ownerPID, far);

    hand.destroy(first);
    hand.destroy(second);
    ASSERT_TRUE(waitForEvents([&] { return !isManaged(first) && !isManaged(second); }));
    EXPECT_FALSE(workspace_->runningApp(orphans));
    EXPECT_TRUE(accessibility_->windows(orphans).empty());
}

TEST_F(X11Apps, WindowsComeFrontToBackWithTheirKindsAndRaiseReorders) {
    HandMadeWindows hand;
    const long self = getpid();
    const XID gamma = hand.make(HandMadeWindows::own("Gämma"));
    ASSERT_TRUE(waitForEvents([&] { return isManaged(gamma); }));
    const XID delta = hand.make(HandMadeWindows::own("Delta"));
    const XID dialog = hand.make(HandMadeWindows::own("Save?").transientTo(delta));
    const XID palette =
        hand.make(HandMadeWindows::own("Tools").typed("_NET_WM_WINDOW_TYPE_UTILITY"));
    ASSERT_TRUE(waitForEvents([&] {
        return isManaged(delta) && isManaged(dialog) && isManaged(palette) &&
               titles(self).size() == 4 && titles(self).first() == "Tools";
    })) << titles(self).join(u',').toStdString();

    const auto windows = accessibility_->windows(self);
    ASSERT_EQ(windows.size(), 4u);
    EXPECT_EQ(titles(self), QStringList({"Tools", "Save?", "Delta", "Gämma"}));
    EXPECT_EQ(windows[0].subrole, "AXFloatingWindow");
    EXPECT_EQ(windows[1].subrole, "AXDialog") << "transient for another window";
    EXPECT_EQ(windows[2].subrole, "AXStandardWindow");
    EXPECT_EQ(windows[3].subrole, "AXStandardWindow");
    EXPECT_EQ(windows[3].element, (WindowElement{qint32(self), gamma}));
    EXPECT_EQ(windows[3].windowID, quint32(gamma));
    EXPECT_EQ(windows[3].minimized, false);

    accessibility_->raise(windows[3].element);
    ASSERT_TRUE(waitForActive(gamma));
    EXPECT_TRUE(waitForEvents([&] { return titles(self).first() == "Gämma"; }));
    EXPECT_TRUE(waitForEvents([&] { return workspace_->frontmostPID() == qint32(self); }))
        << "the window manager may leave no window active between two";

    accessibility_->setMain(windows[2].element);
    ASSERT_TRUE(waitForActive(delta));
    EXPECT_TRUE(waitForEvents(
        [&] { return titles(self).indexOf("Delta") < titles(self).indexOf("Gämma"); }));

    // The xterms' own windows, each alone in its process.
    const auto alpha = accessibility_->windows(alpha_.pid);
    ASSERT_EQ(alpha.size(), 1u);
    EXPECT_EQ(alpha[0].title, "Alpha");
    EXPECT_EQ(alpha[0].subrole, "AXStandardWindow");
    EXPECT_EQ(alpha[0].windowID, quint32(alpha_.window));
}

TEST_F(X11Apps, MinimizingHidesAWindowAndActivatingBringsItBack) {
    const WindowElement beta{beta_.pid, beta_.window};
    ASSERT_TRUE(xdotool({"windowminimize", QString::number(beta_.window)}));
    ASSERT_TRUE(waitForEvents([&] { return minimized(beta_.pid, beta_.window) == true; }));
    EXPECT_TRUE(workspace_->runningApp(beta_.pid)->hidden) << "its only window is minimized";
    auto list = windowList_->onScreenWindows();
    ASSERT_TRUE(list);
    EXPECT_FALSE(onScreen(*list, beta_.window)) << "a minimized window is not on screen";
    EXPECT_EQ(WindowSource::visibleCounts(*windowList_).count(beta_.pid), 0u);

    // The window manager may mark the window active before it clears its hidden state.
    accessibility_->setMinimized(beta, false);
    ASSERT_TRUE(waitForActive(beta_.window));
    EXPECT_TRUE(waitForEvents([&] { return minimized(beta_.pid, beta_.window) == false; }));
    EXPECT_FALSE(workspace_->runningApp(beta_.pid)->hidden);
    EXPECT_TRUE(waitForEvents([&] { return workspace_->frontmostPID() == beta_.pid; }))
        << "the window manager may leave no window active between two";

    accessibility_->setMinimized(beta, true);
    ASSERT_TRUE(waitForEvents([&] { return minimized(beta_.pid, beta_.window) == true; }));
    workspace_->activate(beta_.pid);
    ASSERT_TRUE(waitForActive(beta_.window)) << "activating de-minimizes";
    EXPECT_TRUE(waitForEvents([&] { return minimized(beta_.pid, beta_.window) == false; }));

    workspace_->activate(alpha_.pid);
    ASSERT_TRUE(waitForActive(alpha_.window));
    EXPECT_TRUE(waitForEvents([&] { return workspace_->frontmostPID() == alpha_.pid; }))
        << "the window manager may leave no window active between two";
}

TEST_F(X11Apps, UnhideRestoresEveryMinimizedWindowOfTheProcess) {
    HandMadeWindows hand;
    const long self = getpid();
    const XID one = hand.make(HandMadeWindows::own("One"));
    const XID two = hand.make(HandMadeWindows::own("Two"));
    ASSERT_TRUE(waitForEvents([&] { return isManaged(one) && isManaged(two); }));
    ASSERT_TRUE(waitForActive(two));
    const QStringList before = titles(self);
    accessibility_->setMinimized({qint32(self), two}, true);
    ASSERT_TRUE(waitForEvents([&] { return minimized(self, two) == true; }));
    // The ring sorts minimized windows last itself; this is the window manager's order.
    std::cout << "[ info ] order with Two minimized: " << titles(self).join(u',').toStdString()
              << " (was " << before.join(u',').toStdString() << ")\n";
    EXPECT_FALSE(workspace_->runningApp(self)->hidden) << "One is still open";
    accessibility_->setMinimized({qint32(self), one}, true);
    ASSERT_TRUE(waitForEvents([&] { return minimized(self, one) == true; }));
    EXPECT_TRUE(workspace_->runningApp(self)->hidden);

    workspace_->unhide(self);
    ASSERT_TRUE(waitForEvents(
        [&] { return minimized(self, one) == false && minimized(self, two) == false; }));
    EXPECT_FALSE(workspace_->runningApp(self)->hidden);
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
    // Activates another app first, so that the window activated next is known to be chosen.
    const auto activeAfter = [&](const std::function<void()>& activate) {
        workspace_->activate(alpha_.pid);
        EXPECT_TRUE(waitForActive(alpha_.window));
        activate();
        // The window manager may leave no window active between two.
        XID active = 0;
        waitForEvents([&] { return (active = activeWindow()) != alpha_.window && active != 0; });
        return active;
    };
    HandMadeWindows hand;
    const qint32 self = qint32(getpid());
    const XID here = hand.make(HandMadeWindows::own("Here"));
    const XID everywhere = hand.make(HandMadeWindows::own("Everywhere").onDesktop(0xffffffff));
    ASSERT_TRUE(waitForEvents([&] { return isManaged(here) && isManaged(everywhere); }));
    const XID there = hand.make(HandMadeWindows::own("There"));
    ASSERT_TRUE(waitForEvents([&] { return isManaged(there); }));
    ASSERT_TRUE(waitForActive(there));
    // Sent away as a user sends it: above the others, out of sight.
    ASSERT_TRUE(xdotool({"set_desktop_for_window", QString::number(there), "1"}));
    ASSERT_TRUE(waitForEvents([&] { return desktopOf(there) == 1ul; }));
    ASSERT_EQ(topWindow(), there);
    ASSERT_EQ(currentDesktop(), 0ul);

    const auto windows = accessibility_->windows(self);
    EXPECT_EQ(titles(self), QStringList({"Everywhere", "Here", "There"}));
    ASSERT_EQ(windows.size(), 3u);
    EXPECT_EQ(windows[0].main, true) << "the main window is one the user can see";
    EXPECT_EQ(windows[2].main, false);
    EXPECT_EQ(windows[2].minimized, false) << "elsewhere is not minimized";
    EXPECT_FALSE(workspace_->runningApp(self)->hidden);
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
    EXPECT_TRUE(waitForEvents([&] {
        return titles(self) == QStringList({"There", "Everywhere", "Here"});
    })) << titles(self).join(u',').toStdString();

    // A window moved to another desktop after it was listed is found where it is now.
    ASSERT_TRUE(xdotool({"set_desktop_for_window", QString::number(here), "2"}));
    ASSERT_TRUE(waitForEvents([&] { return desktopOf(here) == 2ul; }));
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
    ASSERT_TRUE(waitForEvents([&] { return !isManaged(there); }));
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
    const qint32 self = qint32(getpid());
    const XID first = hand.make(HandMadeWindows::own("First"));
    ASSERT_TRUE(waitForEvents([&] { return isManaged(first); }));
    ASSERT_TRUE(waitForEvents([&] { return desktopOf(first) == 0ul; }));
    EXPECT_EQ(titles(self), QStringList({"First"}));

    hand.retitle(first, "First, renamed");
    EXPECT_EQ(titles(self), QStringList({"First, renamed"}));
    const XID second = hand.make(HandMadeWindows::own("Second"));
    ASSERT_TRUE(waitForEvents([&] { return isManaged(second); }));
    ASSERT_TRUE(waitForEvents([&] { return desktopOf(second) == 0ul; }));
    EXPECT_EQ(titles(self).size(), 2);
    EXPECT_TRUE(titles(self).contains("Second"));

    // Sent to another desktop: listed after the windows of this one.
    ASSERT_TRUE(xdotool({"set_desktop_for_window", QString::number(second), "1"}));
    ASSERT_TRUE(waitForEvents([&] { return desktopOf(second) == 1ul; }));
    EXPECT_EQ(titles(self), QStringList({"First, renamed", "Second"}));
    ASSERT_TRUE(xdotool({"set_desktop_for_window", QString::number(first), "1"}));
    ASSERT_TRUE(xdotool({"set_desktop_for_window", QString::number(second), "0"}));
    ASSERT_TRUE(waitForEvents([&] { return desktopOf(first) == 1ul && desktopOf(second) == 0ul; }));
    EXPECT_EQ(titles(self), QStringList({"Second", "First, renamed"}));

    hand.destroy(first);
    ASSERT_TRUE(waitForEvents([&] { return !isManaged(first); }));
    EXPECT_EQ(titles(self), QStringList({"Second"}));

    // A window's id goes to the next window made with it, here of a client without a process.
    // The connection stays open to the end, so that no later client gets its ids.
    static xcb_connection_t* const c = xcb_connect(nullptr, nullptr);
    ASSERT_FALSE(xcb_connection_has_error(c));
    const xcb_window_t id = xcb_generate_id(c);
    auto make = [&](const QByteArray& title, std::optional<uint32_t> pid) {
        xcb_create_window(c, XCB_COPY_FROM_PARENT, id, xcb_window_t(connection_->root()), 0, 0, 200,
                          150, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
        const QByteArray wmClass("reused\0Reused\0", 14);
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, id, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8,
                            uint32_t(wmClass.size()), wmClass.data());
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, id, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                            uint32_t(title.size()), title.data());
        if (pid) {
            xcb_change_property(c, XCB_PROP_MODE_REPLACE, id,
                                xcb_atom_t(connection_->atom("_NET_WM_PID")), XCB_ATOM_CARDINAL, 32,
                                1, &*pid);
        }
        xcb_map_window(c, id);
        xcb_flush(c);
    };
    make("Old", uint32_t(self));
    ASSERT_TRUE(waitForEvents([&] { return isManaged(id) && desktopOf(id); }));
    EXPECT_EQ(titles(self), QStringList({"Old", "Second"}));
    xcb_destroy_window(c, id);
    make("New", std::nullopt);
    // Managed anew: the window manager puts its desktop on the new window. Until the server has
    // run the other connection's requests, the old window may still answer for the id.
    ASSERT_TRUE(waitForEvents([&] {
        return connection_->text(id, "WM_NAME") == QStringLiteral("New") && isManaged(id) &&
               desktopOf(id);
    }));
    EXPECT_EQ(titles(self), QStringList({"Second"}));
    EXPECT_EQ(titles(X11Accessibility::classPID("Reused")), QStringList({"New"}));
    xcb_destroy_window(c, id);
    xcb_flush(c);

    // An entry installed meanwhile names the app at the next listing.
    const qint32 reused = X11Accessibility::classPID("Reused");
    ASSERT_TRUE(waitForEvents([&] { return !isManaged(id); }));
    const XID later = hand.make(HandMadeWindows::orphan("Later", "later", "Later"));
    ASSERT_TRUE(waitForEvents([&] { return isManaged(later); }));
    const qint32 laterPID = X11Accessibility::classPID("Later");
    EXPECT_EQ(workspace_->runningApp(laterPID)->localizedName, "Later");
    EXPECT_FALSE(workspace_->runningApp(reused));
    writeEntry(QStringLiteral("tandri-test-later"),
               QStringLiteral("Name=Later App\nExec=later\nStartupWMClass=Later"));
    EXPECT_EQ(workspace_->runningApp(laterPID)->localizedName, "Later App");
}

TEST_F(X11Apps, OnScreenWindowsAreFramesInPointsYUpWithoutDesktopElements) {
    HandMadeWindows hand;
    const long self = getpid();
    const XID big = hand.make(HandMadeWindows::own("Big").sized(300, 200));
    const XID small = hand.make(HandMadeWindows::own("Small").sized(40, 30));
    const XID dock =
        hand.make(HandMadeWindows::own("Panel").typed("_NET_WM_WINDOW_TYPE_DOCK").sized(400, 100));
    const XID tools = hand.make(HandMadeWindows::own("Tools").typed("_NET_WM_WINDOW_TYPE_UTILITY"));
    ASSERT_TRUE(waitForEvents(
        [&] { return isManaged(big) && isManaged(small) && isManaged(dock) && isManaged(tools); }));
    workspace_->activate(alpha_.pid);
    ASSERT_TRUE(waitForActive(alpha_.window));
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
    QStringList seen;
    const auto now = windowList_->onScreenWindows();
    for (const ServerWindow& w : now.value_or(std::vector<ServerWindow>{})) {
        if (w.ownerPID == self)
            seen << QStringLiteral("%1 layer %2 %3x%4")
                        .arg(w.windowID.value_or(0))
                        .arg(w.layer.value_or(-1))
                        .arg(w.bounds ? w.bounds->width() : -1)
                        .arg(w.bounds ? w.bounds->height() : -1);
    }
    EXPECT_EQ(counts.at(qint32(self)), 1)
        << "the small window, the palette and the dock do not count; big " << big << " small "
        << small << " tools " << tools << ": " << seen.join(", ").toStdString();
    EXPECT_TRUE(windowList_->screenCaptureAllowed()) << "the session's server has Composite";
}

TEST_F(X11Apps, VanishedWindowsAndEndedProcessesAreLeftAlone) {
    const Started gone = start(QStringLiteral("xterm"), {"-T", "Gone"});
    ASSERT_TRUE(gone.window);
    const WindowElement element{gone.pid, gone.window};
    ASSERT_EQ(accessibility_->windows(gone.pid).size(), 1u);
    workspace_->activate(alpha_.pid);
    ASSERT_TRUE(waitForActive(alpha_.window));

    // Another process's number on a live window: not that process's window.
    accessibility_->raise({gone.pid, alpha_.window});
    accessibility_->setMinimized({gone.pid, beta_.window}, true);

    ASSERT_EQ(::kill(gone.pid, SIGKILL), 0);
    ASSERT_TRUE(waitForEvents([&] { return !isManaged(gone.window); }));
    // The window manager may move the focus itself as the window goes; what follows must start
    // from a known active window to tell whether it moves it.
    workspace_->activate(alpha_.pid);
    ASSERT_TRUE(waitForActive(alpha_.window));
    EXPECT_TRUE(accessibility_->windows(gone.pid).empty());
    EXPECT_FALSE(workspace_->runningApp(gone.pid));
    accessibility_->setMinimized(element, true);
    accessibility_->setMinimized(element, false);
    accessibility_->setMain(element);
    accessibility_->raise(element);
    workspace_->activate(gone.pid);
    workspace_->unhide(gone.pid);
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
    workspace_->activate(alpha_.pid);
    ASSERT_TRUE(waitForActive(alpha_.window));

    EXPECT_EQ(open(clockEntry_), std::nullopt);
    // xclock takes no keyboard focus, so it cannot become the active window; it is raised.
    ASSERT_TRUE(waitForEvents([&] { return topWindow() == clock_.window; }))
        << "the running clock comes to the front";
    EXPECT_EQ(clientOf(clock_.pid), clock_.window);

    const QString eyes = writeEntry(
        QStringLiteral("tandri-test-eyes"),
        QStringLiteral("Name=Test Eyes\nExec=xeyes -geometry 120x100\nStartupWMClass=XEyes"));
    EXPECT_EQ(open(eyes), std::nullopt);
    qint32 launched = 0;
    ASSERT_TRUE(waitForEvents(
        [&] {
            for (const RunningApp& a : workspace_->runningApps()) {
                if (a.bundleID == "tandri-test-eyes")
                    launched = a.pid;
            }
            return launched != 0;
        },
        patience));
    EXPECT_EQ(workspace_->runningApp(launched)->localizedName, "Test Eyes");
    EXPECT_EQ(open(eyes), std::nullopt);
    const auto apps = workspace_->runningApps();
    EXPECT_EQ(std::count_if(apps.begin(), apps.end(),
                            [](auto& a) { return a.bundleID == "tandri-test-eyes"; }),
              1)
        << "a running entry is not launched again";
    ::kill(launched, SIGTERM);

    const QString missing = home_->filePath(QStringLiteral("nowhere.desktop"));
    EXPECT_EQ(open(missing), QStringLiteral("No application at ") + missing);
    const QString text = home_->filePath(QStringLiteral("notes.txt"));
    QFile file(text);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    EXPECT_EQ(open(text), text + QStringLiteral(" is not an application"));
    const QString broken = writeEntry(QStringLiteral("tandri-test-broken"),
                                      QStringLiteral("Name=Broken\nExec=/nonexistent/broken"));
    EXPECT_EQ(open(broken), QStringLiteral("Broken could not be started"));
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
    EXPECT_EQ(workspace_->trashURL(),
              QUrl::fromLocalFile(home_->filePath(QStringLiteral("data/Trash/files"))));

    for (const QString& path :
         {home_->path(), clockEntry_, home_->filePath(QStringLiteral("x.txt")),
          QStringLiteral("/no/such/file")}) {
        EXPECT_FALSE(workspace_->iconForFile(path).isNull()) << path.toStdString();
    }
    EXPECT_EQ(workspace_->iconForFile(clockEntry_).pixelColor(64, 64), QColor(Qt::red));
    EXPECT_FALSE(workspace_->trashIcon().isNull());
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
}  // namespace tandri::x11

#include "x11apps_test.moc"
