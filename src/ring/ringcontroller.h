// SPDX-License-Identifier: MIT
#pragma once

#include <QPointF>
#include <QString>
#include <QUrl>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <vector>

#include "actions/dockmenu.h"
#include "actions/droptarget.h"
#include "catalogue/appsource.h"
#include "catalogue/ringapp.h"
#include "platform/common/liveness.h"
#include "prefs/windowlayout.h"
#include "ring/ringcaches.h"
#include "ring/ringpanel.h"
#include "ring/windowchip.h"
#include "windows/windowtable.h"

namespace tandri {

class ClickShield;
class Monitor;
class ThumbnailSource;
class Timer;
struct Platform;

/// Owns one opening of the ring at a time, from the trigger going down to a pick or a dismissal.
/// The only object that changes the ring's mode. Main thread.
class RingController {
public:
    enum class Mode { Hidden, Holding, Sticky };

    /// What a release would pick: an entry, or a chip beside entry `app`.
    struct Selection {
        int app = 0;
        std::optional<int> chip;
        bool operator==(const Selection&) const = default;
    };

    struct WindowLoad {
        WindowTable windows;
        WindowCounts counts;
    };

    static constexpr double deadZone = 18.0;
    /// A release sooner than this after opening leaves the ring open.
    static constexpr double tapInterval = 0.28;
    static constexpr double openingDuration = 0.12;
    static constexpr double aimingRest = 0.25;
    static constexpr double trimDelay = 2.0;
    static constexpr double frameInterval = 1.0 / 120;
    static constexpr int folderItemLimit = 11;
    static inline const QString openedNotification = QStringLiteral("TandriRingOpened");
    static inline const QString pickedNotification = QStringLiteral("TandriRingPicked");

    explicit RingController(Platform& platform, RingCaches& caches = RingCaches::shared(),
                            ThumbnailSource* thumbnails = nullptr);
    ~RingController();
    RingController(const RingController&) = delete;
    RingController& operator=(const RingController&) = delete;

    // Injectable inputs.
    /// The pointer, in screen points.
    std::function<QPointF()> mouseLocation;
    /// The entries of the next opening.
    std::function<AppSource::Contents()> contents;
    /// Lists windows for the given pids; runs on a background thread.
    std::function<WindowLoad(const std::vector<qint32>&, bool trusted)> windowSource;
    std::function<bool()> isTrusted;
    /// Run after the ring closes on Command-comma or Control-comma.
    std::function<void()> onOpenSettings;
    /// Most entries on the ring, places included.
    int capacity = AppSource::maxApps;

    // Triggers.
    void triggerDown();
    void triggerUp();
    /// Opens the ring without a held trigger.
    void openSticky();
    /// Goes through an opening's work without showing anything: the entries gathered, the look
    /// made and a frame drawn and dropped. Run once after start-up, so that the first opening
    /// does not pay for caches filling and code paging in.
    void rehearse();
    /// Shows the context menu of the selected entry; the chosen item acts once the ring has
    /// closed, and a menu dismissed leaves the ring open. While the menu is up the ring takes
    /// no clicks, keys or triggers.
    void rightClicked();
    /// What dropping files now would do; absent when the pointer is on nothing that takes them.
    std::optional<DropTarget> dropTarget() const;
    /// Closes the ring and performs the drop of `urls`; false, with the ring left open, when the
    /// pointer is on nothing that takes them.
    bool drop(const std::vector<QUrl>& urls);
    /// One frame of tracking without drawing: the opening fade and the pointer's selection. The
    /// 120 Hz tick runs it and then draws what changed.
    void track();

    // State, for the shell, diagnostics and tests.
    Mode mode() const { return mode_; }
    RingPanel& panel() { return panel_; }
    const std::vector<RingApp>& apps() const { return apps_; }
    const std::vector<RingApp>& overflow() const { return overflow_; }
    std::optional<Selection> selection() const { return selection_; }
    std::optional<int> expandedApp() const { return expandedApp_; }
    const WindowTable& windows() const { return windows_; }
    const WindowCounts& counts() const { return counts_; }
    bool trusted() const { return trusted_; }
    bool windowsLoaded() const { return windowsLoaded_; }
    bool menuOpen() const { return menuOpen_; }
    int session() const { return session_; }
    const std::vector<std::unique_ptr<ClickShield>>& shields() const { return shields_; }
    /// The chips entry `index` offers now; absent when it is picked as a whole.
    std::optional<std::vector<WindowChip>> chips(int index);

private:
    /// The entries fitted to the capacity: the ring's, and those its "more" entry stands for.
    struct Fitted {
        std::vector<RingApp> ring;
        std::vector<RingApp> hidden;
    };
    Fitted fit(AppSource::Contents entries) const;
    static const Screen& screenUnder(const std::vector<Screen>& screens, QPointF mouse);
    void configurePanel(const RingLayout& layout, const Screen& screen, QPointF mouse);
    void open();
    void close();
    /// A click outside the ring.
    void dismiss();
    /// Tracks the pointer once before acting on a click or a release.
    void catchUp();
    void becomeSticky();
    void update();
    void select(std::optional<Selection> selection);
    void collapse();
    void expand(int index, std::vector<WindowChip> chips);
    bool isAiming(QPointF p) const;
    void selectionStep(QPointF p);
    void commit(Selection selection);
    void openEntry(const RingApp& entry);
    void onKey(const KeyEvent& event);
    /// The context menu of entry `index`; null for an entry without one.
    std::shared_ptr<Menu> entryMenu(int index, const DockMenu::Pick& pick);
    void loadWindows();
    void applyWindowLoad(int token, bool trust, WindowLoad load);
    void loadFolder(const QUrl& url);
    void trimMemory();
    std::vector<int> entryCounts() const;
    void installViewCallbacks();
    /// Wraps a member call so that it does nothing once the controller is gone.
    std::function<void()> weakly(void (RingController::*member)());

    Platform& platform_;
    RingCaches& caches_;
    ThumbnailSource* thumbnails_;
    Liveness alive_;

    RingPanel panel_;
    Mode mode_ = Mode::Hidden;
    std::vector<RingApp> apps_;
    std::vector<RingApp> overflow_;
    std::set<QString> foldersLoading_;
    bool menuOpen_ = false;
    std::vector<std::unique_ptr<ClickShield>> shields_;
    WindowTable windows_;
    WindowCounts counts_;
    bool trusted_ = false;
    bool windowsLoaded_ = false;
    WindowLayout windowLayout_ = WindowLayout::Arc;
    int session_ = 0;
    std::unique_ptr<Timer> trim_;
    std::optional<Selection> selection_;
    std::optional<int> expandedApp_;
    QPointF startMouse_;
    QPointF aimOrigin_;
    QPointF lastPoint_;
    double lastMovedAt_;
    double openedAt_;
    std::unique_ptr<Timer> tick_;
    std::unique_ptr<Monitor> outsideClickMonitor_;
};

}  // namespace tandri
