// SPDX-License-Identifier: MIT
#pragma once

// The X11 app tests' shared fixture: an X session's windows, some made by hand, and the
// workspace, accessibility and window list that read them.
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
inline Plan orphan(const char* title, const char* instance, const char* wmClass) {
    return {.title = title, .instance = instance, .wmClass = wmClass, .pid = std::nullopt};
}

struct Started {
    qint32 pid = 0;
    XID window = 0;
    QProcess* process = nullptr;
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

}  // namespace tandri::x11::test
