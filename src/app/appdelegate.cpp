// SPDX-License-Identifier: MIT
#include "app/appdelegate.h"

#include "app/launchoptions.h"
#include "app/updater.h"
#include "catalogue/dockhider.h"
#include "catalogue/migration.h"
#include "onboarding/welcomepresenter.h"
#include "platform/accessibility.h"
#include "platform/clock.h"
#include "platform/notifications.h"
#include "platform/platform.h"
#include "platform/pointerbuttons.h"
#include "platform/preferences.h"
#include "platform/queues.h"
#include "platform/quitrequests.h"
#include "platform/statusitems.h"
#include "platform/system.h"
#include "platform/vocabulary.h"
#include "prefs/brand.h"
#include "prefs/settings.h"
#include "ring/ringcontroller.h"
#include "settings/settingspresenter.h"
#include "triggers/hotkey.h"
#include "triggers/middleclicktap.h"
#include "triggers/shortcutconflicts.h"

namespace tandri {

namespace {

const std::array<QString, 3> shortcutKeys = {Shortcut::keyCodeKey, Shortcut::modifiersKey,
                                             Shortcut::labelKey};

std::shared_ptr<MenuItem> item(const QString& title, std::function<void()> action,
                               const QString& keyEquivalent = {}) {
    auto result = MenuItem::titled(title, std::move(action));
    result->keyEquivalent = keyEquivalent;
    return result;
}

std::shared_ptr<MenuItem> label(const QString& title) {
    auto result = std::make_shared<MenuItem>();
    result->title = title;
    result->enabled = false;
    return result;
}

}  // namespace

AppDelegate::AppDelegate(Platform& platform, SettingsPresenter& settings, WelcomePresenter& welcome,
                         ThumbnailSource* thumbnails, RingCaches& caches)
    : platform_(platform),
      settings_(settings),
      welcome_(welcome),
      ring_(std::make_unique<RingController>(platform, caches, thumbnails)),
      statusMenu_(std::make_shared<Menu>()) {}

AppDelegate::~AppDelegate() = default;

std::function<void()> AppDelegate::weakly(void (AppDelegate::*member)()) {
    return [this, alive = alive_.watch(), member] {
        if (alive && !terminating_)
            (this->*member)();
    };
}

QString AppDelegate::owner() const {
    return Preferences::appDomain;
}

void AppDelegate::applicationDidFinishLaunching(const LaunchOptions& options) {
    if (launched_)
        return;
    launched_ = true;
    Preferences& preferences = platform_.preferences;
    Liveness::Watch alive = alive_.watch();

    // Before the defaults exist, so that a missing value means the user never set it.
    Migration::importFromPrototype(preferences, Preferences::appDomain);
    Migration::importFromQuib(preferences);
    Migration::renameHaloLook(preferences);
    Settings::registerDefaults(preferences);

    openSettingsObservation_ = platform_.notifications.observe(
        SettingsPresenter::openNotification, [this, alive](const QVariant& object) {
            if (!alive)
                return;
            std::optional<SettingsTab> tab;
            if (object.typeId() == QMetaType::QString)
                tab = SettingsTabs::fromRawValue(object.toString());
            settings_.show(tab.value_or(SettingsTab::General));
        });
    ring_->onOpenSettings = [this, alive] {
        if (alive)
            settings_.show(SettingsTab::General);
    };

    buildStatusMenu();
    statusItem_ = platform_.statusItems.create(Brand::menuBarImage(), Brand::name(), statusMenu_);

    applyShortcut();
    applyMiddleClick();
    synchronizeDock();

    preferencesObservation_ = platform_.notifications.observe(
        Preferences::changedNotification, [this, alive](const QVariant&) {
            // A shortcut is stored as three keys; re-applying between them would register
            // combinations nobody chose. One pass after the writes have settled sees them all.
            if (!alive || reapplyPending_)
                return;
            reapplyPending_ = true;
            platform_.queues.main([this, alive] {
                if (!alive)
                    return;
                reapplyPending_ = false;
                if (!terminating_)
                    preferencesChanged();
            });
        });
    recordingObservation_ = platform_.notifications.observe(
        Shortcut::recordingNotification, [this, alive](const QVariant& object) {
            if (!alive || terminating_)
                return;
            const bool recording = object.typeId() == QMetaType::Bool && object.toBool();
            if (recording && !recordingShortcut_) {
                std::array<QJsonValue, 3> stored;
                for (std::size_t i = 0; i < stored.size(); ++i)
                    stored[i] =
                        platform_.preferences.storedValue(Preferences::appDomain, shortcutKeys[i]);
                storedBeforeRecording_ = stored;
            }
            recordingShortcut_ = recording;
            applyShortcut();
            if (!recordingShortcut_)
                storedBeforeRecording_.reset();
        });

    // The signal only wakes the event loop; the quit itself runs there like any other.
    terminationSignal_ = platform_.quitRequests.watch([this, alive] {
        if (alive)
            terminate();
    });

    if (options.demo) {
        demo_ = platform_.clock.schedule(demoDelay, [this, alive] {
            if (alive)
                ring_->openSticky();
        });
    }

    if (options.onboarding)
        welcome_.show(options.onboardingStep);
    else if (!welcome_.isDone())
        welcome_.show(std::nullopt);

    if (options.settings)
        settings_.show(*options.settings);

    // Once the loop runs, so that the program is ready first and a trigger pressed meanwhile
    // comes before it.
    platform_.queues.main([this, alive] {
        if (alive && !terminating_)
            ring_->rehearse();
    });
}

void AppDelegate::preferencesChanged() {
    applyShortcut();
    applyMiddleClick();
    synchronizeDock();
}

void AppDelegate::launchedAgain(const LaunchOptions& options) {
    if (!launched_ || terminating_)
        return;
    if (options.demo)
        showRing();
    if (options.onboarding)
        welcome_.show(options.onboardingStep);
    if (options.settings)
        settings_.show(*options.settings);
    // Someone starting the program again without options is looking for its window.
    if (!options.demo && !options.onboarding && !options.settings)
        showSettings();
}

void AppDelegate::applicationWillTerminate() {
    if (terminating_)
        return;
    terminating_ = true;
    if (dockHiddenByUs_)
        DockHider::want(platform_.preferences, platform_.system, false, owner());
}

void AppDelegate::terminate() {
    applicationWillTerminate();
    if (quitApplication)
        quitApplication();
}

void AppDelegate::buildStatusMenu() {
    auto& items = statusMenu_->items;
    hintItems_ = {label({}), label({})};
    items = {
        hintItems_[0],
        hintItems_[1],
        MenuItem::separatorItem(),
        item(QStringLiteral("Show Ring"), weakly(&AppDelegate::showRing)),
        item(QStringLiteral("Settings…"), weakly(&AppDelegate::showSettings), QStringLiteral(",")),
        item(QStringLiteral("Welcome Guide…"), weakly(&AppDelegate::showWelcome))};
    if constexpr (Updater::isAvailable) {
        // Only builds that update themselves offer the item.
        items.push_back(item(QStringLiteral("Check for Updates…"), {}));
    }
    items.push_back(MenuItem::separatorItem());
    Liveness::Watch alive = alive_.watch();
    items.push_back(item(
        QStringLiteral("Quit ") + Brand::name(),
        [this, alive] {
            if (alive)
                terminate();
        },
        QStringLiteral("q")));
    statusMenu_->willOpen = weakly(&AppDelegate::refreshConflictItems);
    refreshHints();
}

void AppDelegate::showRing() {
    Liveness::Watch alive = alive_.watch();
    // After the menu has closed, so the ring opens over a settled screen.
    platform_.queues.main([this, alive] {
        if (alive)
            ring_->openSticky();
    });
}

void AppDelegate::showSettings() {
    settings_.show(SettingsTab::General);
}

void AppDelegate::showWelcome() {
    welcome_.show(0);
}

void AppDelegate::chooseShortcut() {
    // The shortcut control is on the first tab.
    settings_.show(SettingsTab::General);
}

void AppDelegate::installTriggerCallbacks(HotKey& hotKey) {
    Liveness::Watch alive = alive_.watch();
    hotKey.onPress = [this, alive] {
        if (alive)
            ring_->triggerDown();
    };
    hotKey.onRelease = [this, alive] {
        if (alive)
            ring_->triggerUp();
    };
}

void AppDelegate::applyShortcut() {
    if (recordingShortcut_) {
        // The old keys must not open the ring while new ones are being typed.
        hotKey_.reset();
        registered_.reset();
        refused_.reset();
        welcome_.setRefusedShortcut(refused_);
        return;
    }
    const Shortcut wanted = Shortcut::current(platform_.preferences);
    // A refused shortcut is tried once per run, or again after a recording: retrying on every
    // preference write would only give up the fallback and log the refusal again.
    if (registered_ == wanted || refused_ == wanted)
        return;
    hotKey_.reset();

    GrabRefusal refusal = GrabRefusal::Taken;
    if (auto hotKey =
            HotKey::make(platform_.keyboard, wanted.keyCode, wanted.modifiers, &refusal)) {
        installTriggerCallbacks(*hotKey);
        hotKey_ = std::move(hotKey);
        registered_ = wanted;
        refused_.reset();
    } else if (restoreShortcutBeforeRecording(wanted)) {
        return;
    } else {
        refused_ = wanted;
        refusal_ = refusal;
        const Shortcut fallback = registered_.value_or(Shortcut::standard());
        std::unique_ptr<HotKey> fallbackKey;
        if (fallback != wanted)
            fallbackKey = HotKey::make(platform_.keyboard, fallback.keyCode, fallback.modifiers);
        if (fallbackKey) {
            // For this run only: what the user stored is not written over, so it is used again
            // at the next start once the other program has let go of it.
            installTriggerCallbacks(*fallbackKey);
            hotKey_ = std::move(fallbackKey);
            registered_ = fallback;
            platform_.notifications.post(Shortcut::rejectedNotification, wanted.label);
        } else {
            registered_.reset();
            platform_.system.log(
                Brand::name() + QStringLiteral(": ") +
                Shortcut::refusalMessage(platform_.vocabulary.shortcut(wanted.label), refusal));
        }
    }
    welcome_.setRefusedShortcut(refused_);
    refreshHints();
}

bool AppDelegate::restoreShortcutBeforeRecording(const Shortcut& taken) {
    if (!storedBeforeRecording_)
        return false;
    // The user's own shortcut comes back, stored and registered: a taken recording is not kept
    // in its place, nor is the standard one.
    const std::array<QJsonValue, 3> stored = *std::exchange(storedBeforeRecording_, std::nullopt);
    for (std::size_t i = 0; i < stored.size(); ++i)
        platform_.preferences.setValue(Preferences::appDomain, shortcutKeys[i], stored[i]);
    refused_.reset();
    applyShortcut();
    platform_.notifications.post(Shortcut::rejectedNotification, taken.label);
    return true;
}

void AppDelegate::tearDownMiddleClick() {
    mouseMonitors_.clear();
    middleClickTap_.reset();
    tapRetry_.reset();
}

void AppDelegate::applyMiddleClick() {
    const bool want = Settings::middleClick(platform_.preferences);
    const bool trusted = platform_.accessibility.isTrusted();
    const bool upgradeDue = want && !middleClickTap_ && trusted;
    if (want == middleClickOn_ && !upgradeDue)
        return;
    middleClickOn_ = want;
    tearDownMiddleClick();
    if (!want)
        return;

    Liveness::Watch alive = alive_.watch();
    if (trusted) {
        if (auto tap = MiddleClickTap::make(platform_.pointerButtons, platform_.queues)) {
            tap->onDown = [this, alive] {
                if (alive)
                    ring_->triggerDown();
            };
            tap->onUp = [this, alive] {
                if (alive)
                    ring_->triggerUp();
            };
            middleClickTap_ = std::move(tap);
            return;
        }
    }

    // Without the filter the button still works, but the click also reaches the window under
    // the pointer.
    auto listener =
        platform_.pointerButtons.listenOtherButtons([this, alive](const ButtonEvent& event) {
            if (!alive || event.button != ButtonEvent::middle)
                return;
            if (event.type == ButtonEvent::Type::Down)
                ring_->triggerDown();
            else
                ring_->triggerUp();
        });
    if (listener)
        mouseMonitors_.push_back(std::move(listener));
    tapRetry_ = platform_.clock.repeat(tapRetryInterval, [this, alive] {
        if (alive && !terminating_ && platform_.accessibility.isTrusted())
            applyMiddleClick();
    });
}

void AppDelegate::synchronizeDock() {
    // Where there is no Dock the setting has nothing to act on.
    if (!platform_.system.hasDock())
        return;
    const bool want = Settings::hideDock(platform_.preferences);
    if (want == dockHiddenByUs_)
        return;
    dockHiddenByUs_ = want;
    DockHider::want(platform_.preferences, platform_.system, want, owner());
}

void AppDelegate::refreshHints() {
    if (hintItems_.size() != 2)
        return;
    const QString label = platform_.vocabulary.shortcut(
        registered_ ? registered_->label : Shortcut::current(platform_.preferences).label);
    hintItems_[0]->title =
        QStringLiteral("Hold ") + label + QStringLiteral(", flick to an app, release");
    hintItems_[1]->title =
        QStringLiteral("Tap ") + label + QStringLiteral(" to keep the ring open");
}

void AppDelegate::refreshConflictItems() {
    auto& items = statusMenu_->items;
    for (const auto& conflict : conflictItems_) std::erase(items, conflict);
    conflictItems_.clear();

    const Shortcut shortcut = registered_.value_or(Shortcut::current(platform_.preferences));
    const std::optional<QString> warning =
        refused_
            ? Shortcut::refusalMessage(platform_.vocabulary.shortcut(refused_->label), refusal_) +
                  QStringLiteral(".")
            : ShortcutConflicts::warning(platform_, shortcut);
    if (!warning)
        return;
    auto warningItem = label(*warning);
    warningItem->symbol = QStringLiteral("exclamationmark.triangle.fill");
    warningItem->symbolColor = QColor(255, 149, 0);
    conflictItems_ = {
        warningItem,
        item(QStringLiteral("Choose Another Shortcut…"), weakly(&AppDelegate::chooseShortcut)),
        MenuItem::separatorItem()};
    items.insert(items.begin(), conflictItems_.begin(), conflictItems_.end());
}

}  // namespace tandri
