// SPDX-License-Identifier: MIT
#include "triggers/shortcut.h"

#include <QJsonValue>
#include <array>
#include <utility>

#include "platform/preferences.h"
#include "prefs/brand.h"

namespace tandri {

namespace {

constexpr std::array<std::pair<int, const char*>, 14> keyNames{{
    {49, "Space"},
    {36, "↩"},
    {48, "⇥"},
    {51, "⌫"},
    {117, "⌦"},
    {123, "←"},
    {50, "`"},
    {124, "→"},
    {126, "↑"},
    {125, "↓"},
    {115, "↖"},
    {119, "↘"},
    {116, "⇞"},
    {121, "⇟"},
}};

constexpr std::array<std::pair<int, const char*>, 19> functionKeys{{
    {122, "F1"},  {120, "F2"},  {99, "F3"},   {118, "F4"},  {96, "F5"},
    {97, "F6"},   {98, "F7"},   {100, "F8"},  {101, "F9"},  {109, "F10"},
    {103, "F11"}, {111, "F12"}, {105, "F13"}, {107, "F14"}, {113, "F15"},
    {106, "F16"}, {64, "F17"},  {79, "F18"},  {80, "F19"},
}};

template <size_t N>
std::optional<QString> lookUp(const std::array<std::pair<int, const char*>, N>& table, int key) {
    for (const auto& [code, name] : table) {
        if (code == key)
            return QString::fromUtf8(name);
    }
    return std::nullopt;
}

}  // namespace

QString Shortcut::refusalMessage(const QString& shown, GrabRefusal refusal) {
    switch (refusal) {
        case GrabRefusal::NotOnKeyboard:
            return shown + QStringLiteral(" cannot be typed on this keyboard");
        case GrabRefusal::ServerError:
            return shown + QStringLiteral(" was refused by the display server");
        case GrabRefusal::Taken:
            break;
    }
    return shown + QStringLiteral(" is taken by another app");
}

Shortcut Shortcut::standard() {
    return {49, option, QStringLiteral("⌥Space")};
}

Shortcut Shortcut::current(const Preferences& preferences) {
    const QString& domain = Preferences::appDomain;
    const QJsonValue code = preferences.value(domain, keyCodeKey);
    const auto label = preferences.stringValue(domain, labelKey);
    if (code.isUndefined() || code.isNull() || !label)
        return standard();
    return {preferences.integerValue(domain, keyCodeKey),
            preferences.integerValue(domain, modifiersKey), *label};
}

void Shortcut::save(Preferences& preferences) const {
    const QString& domain = Preferences::appDomain;
    preferences.setValue(domain, keyCodeKey, keyCode);
    preferences.setValue(domain, modifiersKey, modifiers);
    preferences.setValue(domain, labelKey, label);
}

bool Shortcut::isFunctionKey(int keyCode) {
    return lookUp(functionKeys, keyCode).has_value();
}

std::optional<QString> Shortcut::keyName(int keyCode) {
    if (auto name = lookUp(keyNames, keyCode))
        return name;
    return lookUp(functionKeys, keyCode);
}

QString Shortcut::symbols(qint64 modifiers) {
    QString text;
    if (modifiers & control)
        text += QStringLiteral("⌃");
    if (modifiers & option)
        text += QStringLiteral("⌥");
    if (modifiers & shift)
        text += QStringLiteral("⇧");
    if (modifiers & command)
        text += QStringLiteral("⌘");
    return text;
}

std::optional<Shortcut> Shortcut::fromKeyEvent(const KeyEvent& event) {
    const quint64 flags = event.modifierFlags;
    const bool anyHeld =
        flags & (KeyEvent::commandFlag | KeyEvent::optionFlag | KeyEvent::controlFlag);
    // Shift alone does not make a shortcut; a function key needs nothing.
    if (!isFunctionKey(event.keyCode) && !anyHeld)
        return std::nullopt;
    qint64 mask = 0;
    if (flags & KeyEvent::commandFlag)
        mask += command;
    if (flags & KeyEvent::optionFlag)
        mask += option;
    if (flags & KeyEvent::controlFlag)
        mask += control;
    if (flags & KeyEvent::shiftFlag)
        mask += shift;
    QString name = keyName(event.keyCode)
                       .value_or(event.characters.isEmpty() ? QStringLiteral("?")
                                                            : event.characters.toUpper());
    return Shortcut{event.keyCode, mask, symbols(mask) + name};
}

}  // namespace tandri
