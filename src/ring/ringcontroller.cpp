// SPDX-License-Identifier: MIT
#include "ring/ringcontroller.h"
#include "platform/keycodes.h"

#include <algorithm>

#include "catalogue/filemanager.h"
#include "platform/accessibility.h"
#include "platform/clock.h"
#include "platform/notifications.h"
#include "platform/platform.h"
#include "platform/preferences.h"
#include "platform/screens.h"
#include "platform/windowlist.h"
#include "platform/workspace.h"
#include "prefs/settings.h"
#include "ring/clickshield.h"
#include "ring/ringgeometry.h"
#include "windows/thumbnailsource.h"
#include "windows/windowsource.h"

namespace tandri {

RingController::RingController(Platform& platform, RingCaches& caches, ThumbnailSource* thumbnails)
    : platform_(platform),
      caches_(caches),
      thumbnails_(thumbnails),
      panel_(platform.overlays, platform.clock),
      lastMovedAt_(Clock::distantPast),
      openedAt_(Clock::distantPast) {
    Platform* p = &platform_;
    mouseLocation = [p] {
        return p->screens.mouseLocation();
    };
    contents = [p] {
        return AppSource::ringContents(*p, Settings::appSet(p->preferences),
                                       Settings::showPlaces(p->preferences));
    };
    // Runs on a background thread: it touches only the thread-safe listing services.
    windowSource = [p](const std::vector<qint32>& pids, bool trusted) {
        WindowLoad load;
        if (trusted) {
            load.windows = WindowSource::windows(p->accessibility, pids);
            for (const auto& [pid, list] : load.windows) {
                load.counts[pid] = static_cast<int>(list.size());
            }
        } else {
            load.counts = WindowSource::visibleCounts(p->windowList);
        }
        return load;
    };
    isTrusted = [p] {
        return WindowSource::isTrusted(p->accessibility);
    };
    installViewCallbacks();
}

RingController::~RingController() = default;

std::function<void()> RingController::weakly(void (RingController::*member)()) {
    return [this, alive = alive_.watch(), member] {
        if (alive)
            (this->*member)();
    };
}

void RingController::installViewCallbacks() {
    RingView& view = panel_.ringView();
    const Liveness::Watch alive = alive_.watch();
    view.onClick = [this, alive] {
        // A menu up over the ring has the clicks; one that reaches the ring is no pick.
        if (!alive || mode_ == Mode::Hidden || menuOpen_)
            return;
        catchUp();
        if (selection_) {
            commit(*selection_);
        } else {
            close();
        }
    };
    view.onKey = [this, alive](const KeyEvent& event) {
        if (alive && !menuOpen_)
            onKey(event);
    };
    view.onRightClick = weakly(&RingController::rightClicked);
    view.dropOperation = [this, alive] {
        const auto target = alive ? dropTarget() : std::nullopt;
        return target ? target->dragOperation() : DragOperation::None;
    };
    view.performDrop = [this, alive](const std::vector<QUrl>& urls) {
        return alive && drop(urls);
    };
    view.chipIcon = [this](const WindowChip& chip) {
        return chip.icon(platform_.workspace);
    };
    view.thumbnail = [this, alive](quint32 id) {
        return alive && thumbnails_ ? thumbnails_->image(id) : QImage();
    };
    if (thumbnails_) {
        thumbnails_->setOnUpdate([this, alive] {
            if (alive && mode_ != Mode::Hidden)
                panel_.ringView().thumbnailsChanged();
        });
    }
}

void RingController::triggerDown() {
    if (menuOpen_)
        return;  // the menu ends first, leaving the ring open
    switch (mode_) {
        case Mode::Hidden:
            open();
            break;
        case Mode::Holding:
            break;
        case Mode::Sticky:
            close();
            break;  // a second press dismisses a sticky ring
    }
}

void RingController::triggerUp() {
    if (mode_ != Mode::Holding)
        return;
    catchUp();
    if (platform_.screens.pressedMouseButtons() & Screens::primaryButton) {
        becomeSticky();
    } else if (selection_) {
        commit(*selection_);
    } else if (platform_.clock.now() - openedAt_ < tapInterval) {
        becomeSticky();  // a quick tap opens a ring that stays
    } else {
        close();
    }
}

void RingController::openSticky() {
    open();
    if (mode_ == Mode::Holding)
        becomeSticky();
}

void RingController::becomeSticky() {
    mode_ = Mode::Sticky;
    panel_.makeKey();
    platform_.notifications.post(openedNotification, true);
}

RingController::Fitted RingController::fit(AppSource::Contents entries) const {
    // At least two slots always stay for apps.
    const int n = static_cast<int>(entries.apps.size());
    const int p = static_cast<int>(entries.places.size());
    const int room = std::max(capacity - p, 2);
    Fitted fitted;
    if (n <= room) {
        fitted.ring = std::move(entries.apps);
    } else {
        const int k = room - 1;
        fitted.ring.assign(entries.apps.begin(), entries.apps.begin() + k);
        fitted.ring.push_back(RingApp::more(n - k));
        const int listed = std::min(n - k, AppSource::maxOverflow);
        fitted.hidden.assign(entries.apps.begin() + k, entries.apps.begin() + k + listed);
    }
    std::move(entries.places.begin(), entries.places.end(), std::back_inserter(fitted.ring));
    return fitted;
}

const Screen& RingController::screenUnder(const std::vector<Screen>& screens, QPointF mouse) {
    const auto under = std::find_if(screens.begin(), screens.end(), [&](const Screen& s) {
        return geometry::mouseInRect(mouse, s.frame);
    });
    return under != screens.end() ? *under : screens.front();
}

void RingController::configurePanel(const RingLayout& layout, const Screen& screen, QPointF mouse) {
    // The ring opens under the pointer unless that would cut it at a screen edge.
    const QRectF& visible = screen.visible;
    const double half = layout.size / 2;
    const QPointF center(std::min(std::max(geometry::minX(visible) + half, mouse.x()),
                                  geometry::maxX(visible) - half),
                         std::min(std::max(geometry::minY(visible) + half, mouse.y()),
                                  geometry::maxY(visible) - half));
    const bool dark = platform_.workspace.darkAppearance();
    panel_.configure(layout, screen, center,
                     Settings::currentLook(platform_.preferences, platform_.workspace, dark), dark);
}

void RingController::rehearse() {
    if (mode_ != Mode::Hidden || menuOpen_)
        return;
    Fitted fitted = fit(contents());
    const std::vector<Screen> screens = platform_.screens.screens();
    if (fitted.ring.empty() || screens.empty())
        return;
    const QPointF mouse = mouseLocation();
    configurePanel(RingLayout(static_cast<int>(fitted.ring.size())), screenUnder(screens, mouse),
                   mouse);
    RingView& view = panel_.ringView();
    view.apps = std::move(fitted.ring);
    view.setProgress(1.0);
    panel_.rehearse();
    view.apps.clear();
}

void RingController::open() {
    Fitted fitted = fit(contents());
    if (fitted.ring.empty())
        return;
    foldersLoading_.clear();
    const RingLayout layout(static_cast<int>(fitted.ring.size()));

    startMouse_ = mouseLocation();
    const std::vector<Screen> screens = platform_.screens.screens();
    if (screens.empty())
        return;
    const Screen& screen = screenUnder(screens, startMouse_);
    apps_ = std::move(fitted.ring);
    overflow_ = std::move(fitted.hidden);
    configurePanel(layout, screen, startMouse_);
    Preferences& prefs = platform_.preferences;

    RingView& view = panel_.ringView();
    view.apps = apps_;
    view.frontmostPID = platform_.workspace.frontmostPID();
    windowLayout_ = Settings::windowLayout(prefs);
    view.windowLayout = windowLayout_;
    view.showsThumbnails = windowLayout_ != WindowLayout::Off &&
                           Settings::showsThumbnails(prefs, platform_.windowList);
    view.previewWidth = Settings::previewSize(prefs);

    // Badges show last session's numbers at once, before this session's load returns.
    counts_ = caches_.lastCounts;
    windows_.clear();
    windowsLoaded_ = false;
    trusted_ = isTrusted();
    view.setWindowCounts(entryCounts());

    expandedApp_.reset();
    select(std::nullopt);

    loadWindows();

    mode_ = Mode::Holding;
    panel_.setAcceptsMouseEvents(true);

    std::vector<const Screen*> others;
    for (const auto& s : screens) {
        if (s.id != screen.id)
            others.push_back(&s);
    }
    while (shields_.size() < others.size()) {
        auto shield = std::make_unique<ClickShield>(platform_.overlays);
        shield->onClick = weakly(&RingController::dismiss);
        shields_.push_back(std::move(shield));
    }
    for (size_t i = 0; i < others.size(); ++i) {
        shields_[i]->setFrame(others[i]->frame);
        shields_[i]->orderFront();
    }

    // A click in another application dismisses the ring.
    outsideClickMonitor_ = platform_.screens.monitorOutsideClicks(weakly(&RingController::dismiss));

    view.reduceMotion = platform_.workspace.displayOptions().reduceMotion;
    // The fade's first step comes with the window rather than a tick later: at its start the
    // ring is invisible, and waiting a frame for the first visible one is time the user sees.
    const double firstStep = frameInterval / openingDuration;
    view.setProgress(view.reduceMotion ? 1.0 : std::min(firstStep, 1.0));
    panel_.setBlurAlpha(view.progress());

    panel_.orderFront();
    view.displayNow();
    panel_.makeKey();
    platform_.notifications.post(openedNotification, false);
    // Timed from when the ring shows, not from the press: a slow opening (the first one makes
    // its windows) must neither turn a quick tap into a hold nor skip the growing animation.
    openedAt_ = platform_.clock.now();
    tick_ = platform_.clock.repeat(frameInterval, weakly(&RingController::update));
}

void RingController::catchUp() {
    // A click or a release acts on what the pointer is on now. A program kept waiting by a busy
    // machine may not have run the frame since the pointer last moved.
    if (mode_ != Mode::Hidden && !menuOpen_)
        track();
}

void RingController::dismiss() {
    // The click that dismisses a menu up over the ring must not take the ring with it.
    if (!menuOpen_)
        close();
}

void RingController::close() {
    mode_ = Mode::Hidden;
    ++session_;  // results of the closed session are dropped
    // The tick may be the caller; the clock tolerates cancelling a timer from its own callback.
    if (tick_)
        tick_->cancel();
    tick_.reset();
    outsideClickMonitor_.reset();
    panel_.orderOut();
    for (auto& shield : shields_) shield->orderOut();
    panel_.ringView().hideChips();
    if (thumbnails_)
        thumbnails_->releaseDecoded();
    trimMemory();
    panel_.ringView().apps.clear();
    apps_.clear();
    overflow_.clear();
    windows_.clear();
}

void RingController::commit(Selection selection) {
    const RingApp entry = apps_.at(selection.app);
    std::optional<WindowChip> chip;
    if (selection.chip)
        chip = panel_.ringView().chips().at(*selection.chip);
    close();
    platform_.notifications.post(pickedNotification);
    if (!chip) {
        openEntry(entry);
        return;
    }
    std::visit(
        [&](const auto& kind) {
            using K = std::decay_t<decltype(kind)>;
            if constexpr (std::is_same_v<K, WindowChip::Window>) {
                if (entry.running)
                    WindowSource::raise(platform_, kind.info, *entry.running);
            } else if constexpr (std::is_same_v<K, WindowChip::More>) {
                openEntry(entry);
            } else if constexpr (std::is_same_v<K, WindowChip::App>) {
                AppSource::open(platform_, kind.app);
            } else if constexpr (std::is_same_v<K, WindowChip::File> ||
                                 std::is_same_v<K, WindowChip::Reveal>) {
                platform_.workspace.openURL(kind.url);
            } else {
                WindowSource::requestAccess(platform_.accessibility);
            }
        },
        chip->kind);
}

void RingController::openEntry(const RingApp& entry) {
    switch (entry.kind) {
        case RingApp::Kind::App:
            AppSource::open(platform_, entry);
            break;
        case RingApp::Kind::Folder:
        case RingApp::Kind::Trash:
            if (entry.url)
                platform_.workspace.openURL(*entry.url);
            break;
        case RingApp::Kind::More:
            break;
    }
}

void RingController::onKey(const KeyEvent& event) {
    switch (event.keyCode) {
        case KeyCodes::returnKey:
        case KeyCodes::enter:
            if (selection_)
                commit(*selection_);
            break;
        case KeyCodes::comma:
            // Control-comma is the preferences shortcut where Command is no program's key.
            if (event.modifierFlags & (KeyEvent::commandFlag | KeyEvent::controlFlag)) {
                close();
                if (onOpenSettings)
                    onOpenSettings();
            }
            break;
        case KeyCodes::escape:
            close();
            break;
        default:
            break;
    }
}

std::vector<int> RingController::entryCounts() const {
    std::vector<int> result;
    result.reserve(apps_.size());
    for (const auto& entry : apps_) {
        const auto pid = entry.pid();
        const auto found = pid ? counts_.find(*pid) : counts_.end();
        result.push_back(found != counts_.end() ? found->second : 0);
    }
    return result;
}

std::optional<std::vector<WindowChip>> RingController::chips(int index) {
    if (index < 0 || index >= static_cast<int>(apps_.size()))
        return std::nullopt;
    const RingApp& entry = apps_[index];
    switch (entry.kind) {
        case RingApp::Kind::App: {
            if (windowLayout_ == WindowLayout::Off)
                return std::nullopt;
            // Trusted but not loaded yet: the next frames ask again.
            if (trusted_ && !windowsLoaded_)
                return std::nullopt;
            const auto pid = entry.pid();
            if (!pid)
                return std::nullopt;
            return WindowChip::chips(*pid, windows_, counts_, trusted_);
        }
        case RingApp::Kind::Folder: {
            if (!entry.url)
                return std::nullopt;
            loadFolder(*entry.url);
            const auto cached = caches_.folderItems.find(entry.url->path());
            if (cached == caches_.folderItems.end())
                return std::nullopt;
            std::vector<WindowChip> result;
            const size_t count = std::min<size_t>(cached->second.size(), folderItemLimit);
            for (size_t i = 0; i < count; ++i) {
                result.push_back(WindowChip{WindowChip::File{cached->second[i]}});
            }
            result.push_back(
                WindowChip{WindowChip::Reveal{*entry.url, FileManager::name(platform_)}});
            return result;
        }
        case RingApp::Kind::Trash:
            return std::nullopt;
        case RingApp::Kind::More: {
            std::vector<WindowChip> result;
            for (const auto& app : overflow_) result.push_back(WindowChip{WindowChip::App{app}});
            return result;
        }
    }
    return std::nullopt;
}

}  // namespace tandri
