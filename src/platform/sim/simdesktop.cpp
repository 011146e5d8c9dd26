// SPDX-License-Identifier: MIT
#include "platform/sim/simdesktop.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonParseError>

#include "platform/common/drawnicons.h"
#include "platform/common/regularfile.h"
#include "platform/preferences.h"
#include "platform/sim/simaccessibility.h"
#include "platform/sim/simcontextmenus.h"
#include "platform/sim/simdesktopreader.h"
#include "platform/sim/simkeyboard.h"
#include "platform/sim/simloginitems.h"
#include "platform/sim/simoverlays.h"
#include "platform/sim/simpointerbuttons.h"
#include "platform/sim/simscreencapture.h"
#include "platform/sim/simscreens.h"
#include "platform/sim/simstate.h"
#include "platform/sim/simstatusitems.h"
#include "platform/sim/simsystem.h"
#include "platform/sim/simvocabulary.h"
#include "platform/sim/simwindowlist.h"
#include "platform/sim/simworkspace.h"

// Resources compiled into a static library are linked only when something refers to them.
static void initSimResources() {
    Q_INIT_RESOURCE(sim);
}

namespace tandri::sim {

SimDesktop::SimDesktop(Key)
    : state_(std::make_unique<SimState>()),
      icons_(std::make_unique<DrawnIcons>()),
      workspace_(std::make_unique<SimWorkspace>(*state_, *icons_)),
      accessibility_(std::make_unique<SimAccessibility>(*state_)),
      windowList_(std::make_unique<SimWindowList>(*state_)),
      screens_(std::make_unique<SimScreens>(*state_)),
      overlays_(std::make_unique<SimOverlays>()),
      system_(std::make_unique<SimSystem>(*state_)),
      screenCapture_(std::make_unique<SimScreenCapture>(*state_)),
      keyboard_(std::make_unique<SimKeyboard>(*state_)),
      pointerButtons_(std::make_unique<SimPointerButtons>(*state_)),
      statusItems_(std::make_unique<SimStatusItems>(*state_)),
      contextMenus_(std::make_unique<SimContextMenus>(*state_)),
      loginItems_(std::make_unique<SimLoginItems>(*state_)),
      vocabulary_(std::make_unique<SimVocabulary>()) {}

SimDesktop::~SimDesktop() = default;

SimDesktop::LoadResult SimDesktop::load(const QByteArray& json, const QString& sourceName,
                                        const QString& baseFolder) {
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        return {nullptr, QStringLiteral("%1: not valid JSON (%2 at offset %3)")
                             .arg(sourceName, parseError.errorString())
                             .arg(parseError.offset)};
    }
    if (!document.isObject()) {
        return {nullptr, sourceName + QStringLiteral(": the top level must be an object")};
    }
    auto desktop = std::make_unique<SimDesktop>(Key());
    const QString problem = SimDesktopReader::read(document.object(), *desktop->state_, baseFolder);
    if (!problem.isEmpty())
        return {nullptr, sourceName + QStringLiteral(": ") + problem};
    return {std::move(desktop), {}};
}

SimDesktop::LoadResult SimDesktop::fromFile(const QString& path) {
    const RegularFile file = RegularFile::read(path, RegularFile::textLimit);
    if (!file.ok()) {
        return {nullptr,
                QStringLiteral("%1: cannot read the desktop file (%2)").arg(path, file.problem())};
    }
    return load(file.bytes, path, QFileInfo(path).absolutePath());
}

SimDesktop::LoadResult SimDesktop::fromJson(const QByteArray& json, const QString& sourceName) {
    return load(json, sourceName, {});
}

QString SimDesktop::samplePath() {
    initSimResources();
    return QStringLiteral(":/tandri/sim/sample-desktop.json");
}

std::unique_ptr<SimDesktop> SimDesktop::sample() {
    auto result = fromFile(samplePath());
    // The sample is part of the program and tested; should it ever fail to read, an empty
    // desktop keeps the diagnostic modes running.
    if (!result.desktop)
        return load("{}", samplePath(), {}).desktop;
    return std::move(result.desktop);
}

Workspace& SimDesktop::workspace() {
    return *workspace_;
}
Accessibility& SimDesktop::accessibility() {
    return *accessibility_;
}
WindowList& SimDesktop::windowList() {
    return *windowList_;
}
Screens& SimDesktop::screens() {
    return *screens_;
}
Overlays& SimDesktop::overlays() {
    return *overlays_;
}
System& SimDesktop::system() {
    return *system_;
}
ScreenCapture& SimDesktop::screenCapture() {
    return *screenCapture_;
}
Keyboard& SimDesktop::keyboard() {
    return *keyboard_;
}
PointerButtons& SimDesktop::pointerButtons() {
    return *pointerButtons_;
}
StatusItems& SimDesktop::statusItems() {
    return *statusItems_;
}

ContextMenus& SimDesktop::contextMenus() {
    return *contextMenus_;
}

LoginItems& SimDesktop::loginItems() {
    return *loginItems_;
}

Vocabulary& SimDesktop::vocabulary() {
    return *vocabulary_;
}

void SimDesktop::chooseInNextMenu(QStringList titles) {
    contextMenus_->chooseNext(std::move(titles));
}

void SimDesktop::whileNextMenuIsOpen(std::function<void()> script) {
    contextMenus_->whileNextIsOpen(std::move(script));
}

const std::vector<Menu>& SimDesktop::shownMenus() const {
    return contextMenus_->shown();
}

void SimDesktop::registerDomainDefaults(Preferences& preferences) const {
    std::map<QString, QJsonObject> defaults;
    {
        std::lock_guard lock(state_->mutex);
        defaults = state_->defaults;
    }
    for (const auto& [domain, values] : defaults) preferences.registerDefaults(domain, values);
}

void SimDesktop::setMouseLocation(QPointF p) {
    std::lock_guard lock(state_->mutex);
    state_->pointer = p;
}

void SimDesktop::setPressedMouseButtons(unsigned buttons) {
    std::lock_guard lock(state_->mutex);
    state_->pressedButtons = buttons;
}

void SimDesktop::clickInOtherApp() {
    screens_->clickInOtherApp();
}

void SimDesktop::setTrusted(bool trusted) {
    std::lock_guard lock(state_->mutex);
    state_->trusted = trusted;
}

void SimDesktop::setScreenCapture(bool allowed) {
    std::lock_guard lock(state_->mutex);
    state_->screenCapture = allowed;
}

bool SimDesktop::pressKeys(qint64 keyCode, qint64 modifiers) {
    return keyboard_->pressKeys(keyCode, modifiers);
}

bool SimDesktop::releaseKeys(qint64 keyCode, qint64 modifiers) {
    return keyboard_->releaseKeys(keyCode, modifiers);
}

bool SimDesktop::typeKey(const KeyEvent& event) {
    return keyboard_->typeKey(event);
}

std::vector<std::pair<qint64, qint64>> SimDesktop::grabbedKeys() const {
    return keyboard_->grabbed();
}

void SimDesktop::setShortcutTaken(qint64 keyCode, qint64 modifiers, bool taken) {
    std::lock_guard lock(state_->mutex);
    auto& list = state_->takenShortcuts;
    const std::pair<qint64, qint64> combination(keyCode, modifiers);
    std::erase(list, combination);
    if (taken)
        list.push_back(combination);
}

bool SimDesktop::sendOtherButton(ButtonEvent::Type type, int button) {
    return pointerButtons_->send(ButtonEvent{type, button});
}

std::vector<QString> SimDesktop::deliveredClicks() const {
    std::lock_guard lock(state_->mutex);
    return state_->deliveredClicks;
}

int SimDesktop::buttonFilters() const {
    return pointerButtons_->filterCount();
}

int SimDesktop::buttonListeners() const {
    return pointerButtons_->listenerCount();
}

std::optional<std::vector<QString>> SimDesktop::openStatusMenu() {
    return statusItems_->openMenu();
}

bool SimDesktop::chooseStatusMenuItem(const QString& title) {
    return statusItems_->choose(title);
}

QImage SimDesktop::statusItemImage() const {
    return statusItems_->image();
}

QString SimDesktop::statusItemToolTip() const {
    return statusItems_->toolTip();
}

std::vector<QString> SimDesktop::actions() const {
    std::lock_guard lock(state_->mutex);
    return state_->actions;
}

void SimDesktop::clearActions() {
    std::lock_guard lock(state_->mutex);
    state_->actions.clear();
}

void SimDesktop::observeActions(std::function<void(const QString&)> observer) {
    std::lock_guard lock(state_->mutex);
    state_->onAction = std::move(observer);
}

SimOverlayWindow* SimDesktop::panel() const {
    return overlays_->panel();
}

std::vector<SimOverlayWindow*> SimDesktop::shields() const {
    return overlays_->shields();
}

int SimDesktop::memoryReliefs() const {
    return system_->memoryReliefs();
}

}  // namespace tandri::sim
