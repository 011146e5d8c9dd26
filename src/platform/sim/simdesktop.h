// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QPointF>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <vector>

#include "platform/accessibility.h"
#include "platform/contextmenus.h"
#include "platform/keyboard.h"
#include "platform/loginitems.h"
#include "platform/overlay.h"
#include "platform/pointerbuttons.h"
#include "platform/screencapture.h"
#include "platform/screens.h"
#include "platform/statusitems.h"
#include "platform/system.h"
#include "platform/vocabulary.h"
#include "platform/windowlist.h"
#include "platform/workspace.h"

namespace tandri {
class DrawnIcons;
class Preferences;
}  // namespace tandri

namespace tandri::sim {

class SimAccessibility;
class SimContextMenus;
class SimKeyboard;
class SimLoginItems;
class SimPointerButtons;
class SimOverlayWindow;
class SimOverlays;
class SimScreenCapture;
class SimScreens;
class SimStatusItems;
class SimSystem;
class SimVocabulary;
class SimWindowList;
class SimWorkspace;
struct SimState;

/// A whole desktop inside the process (screens, pointer, running apps and their windows,
/// preference domains), described by a JSON desktop file. Tests and the diagnostic modes run the
/// program on it; it records every request the program makes of it.
class SimDesktop {
public:
    struct LoadResult {
        std::unique_ptr<SimDesktop> desktop;
        /// Empty on success; otherwise names the source and the offending key.
        QString error;
    };

    /// Reads a desktop file.
    static LoadResult fromFile(const QString& path);
    /// Reads a desktop description; `sourceName` prefixes error texts.
    static LoadResult fromJson(const QByteArray& json,
                               const QString& sourceName = QStringLiteral("desktop"));
    /// The built-in sample desktop.
    static std::unique_ptr<SimDesktop> sample();
    /// Where the built-in sample desktop's file is (a resource path, readable with QFile).
    static QString samplePath();

    ~SimDesktop();
    SimDesktop(const SimDesktop&) = delete;
    SimDesktop& operator=(const SimDesktop&) = delete;

    Workspace& workspace();
    Accessibility& accessibility();
    WindowList& windowList();
    Screens& screens();
    Overlays& overlays();
    System& system();
    ScreenCapture& screenCapture();
    Keyboard& keyboard();
    PointerButtons& pointerButtons();
    StatusItems& statusItems();
    ContextMenus& contextMenus();
    LoginItems& loginItems();
    Vocabulary& vocabulary();

    /// Registers the "defaults" key's domains as in-memory defaults of the store.
    void registerDomainDefaults(Preferences& preferences) const;

    // Scripting, for tests and scripted runs.
    void setMouseLocation(QPointF p);
    void setPressedMouseButtons(unsigned buttons);
    /// Runs every outside-click monitor's callback.
    void clickInOtherApp();
    void setTrusted(bool trusted);
    void setScreenCapture(bool allowed);
    /// The user presses (or, held, repeats) a key combination anywhere; true when this program
    /// had grabbed it.
    bool pressKeys(qint64 keyCode, qint64 modifiers);
    bool releaseKeys(qint64 keyCode, qint64 modifiers);
    /// A key press in one of the program's own windows; true when a key monitor consumed it.
    bool typeKey(const KeyEvent& event);
    /// The combinations the program holds now, as (key code, modifiers).
    std::vector<std::pair<qint64, qint64>> grabbedKeys() const;
    /// Another program takes a combination (or gives it back).
    void setShortcutTaken(qint64 keyCode, qint64 modifiers, bool taken);
    /// The user presses, releases or drags a mouse button other than the primary and secondary
    /// ones; true when the application under the pointer received it.
    bool sendOtherButton(ButtonEvent::Type type, int button = ButtonEvent::middle);
    /// The other-button events that reached applications, in order ("button 2 down").
    std::vector<QString> deliveredClicks() const;
    int buttonFilters() const;
    int buttonListeners() const;
    /// Opens the program's status menu as a user would and returns its lines ("—" for a
    /// separator, " (disabled)" after an inactive item); nothing when there is no status item.
    std::optional<std::vector<QString>> openStatusMenu();
    /// Opens the status menu and chooses the enabled item with this title; false when none.
    bool chooseStatusMenuItem(const QString& title);
    /// The status item's image and tool tip (null and empty without one).
    QImage statusItemImage() const;
    QString statusItemToolTip() const;

    /// The user will choose the item reached through these titles in the next pop-up menu; see
    /// `SimContextMenus::chooseNext`.
    void chooseInNextMenu(QStringList titles);
    /// Runs `script` while the next pop-up menu is up, before its choice.
    void whileNextMenuIsOpen(std::function<void()> script);
    /// The pop-up menus shown so far, oldest first.
    const std::vector<Menu>& shownMenus() const;

    /// Everything the program asked the desktop to do, in order, one line each.
    std::vector<QString> actions() const;
    void clearActions();
    /// Shows `observer` each action the moment it is asked for, so that a script can check the
    /// program's state at that moment; it runs with the desktop locked and must not call it.
    void observeActions(std::function<void(const QString&)> observer);
    /// The first panel made (null until one is made, or after it was destroyed).
    SimOverlayWindow* panel() const;
    /// The click shields made so far and still alive, in order of making.
    std::vector<SimOverlayWindow*> shields() const;
    /// How often the program asked to give memory back.
    int memoryReliefs() const;

private:
    // Only the loaders make desktops; the key keeps the constructor usable by make_unique.
    struct Key {
        explicit Key() = default;
    };

public:
    explicit SimDesktop(Key);

private:
    static LoadResult load(const QByteArray& json, const QString& sourceName,
                           const QString& baseFolder);

    std::unique_ptr<SimState> state_;
    std::unique_ptr<DrawnIcons> icons_;
    std::unique_ptr<SimWorkspace> workspace_;
    std::unique_ptr<SimAccessibility> accessibility_;
    std::unique_ptr<SimWindowList> windowList_;
    std::unique_ptr<SimScreens> screens_;
    std::unique_ptr<SimOverlays> overlays_;
    std::unique_ptr<SimSystem> system_;
    std::unique_ptr<SimScreenCapture> screenCapture_;
    std::unique_ptr<SimKeyboard> keyboard_;
    std::unique_ptr<SimPointerButtons> pointerButtons_;
    std::unique_ptr<SimStatusItems> statusItems_;
    std::unique_ptr<SimContextMenus> contextMenus_;
    std::unique_ptr<SimLoginItems> loginItems_;
    std::unique_ptr<SimVocabulary> vocabulary_;
};

}  // namespace tandri::sim
