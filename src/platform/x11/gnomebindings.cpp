// SPDX-License-Identifier: MIT
#include "platform/x11/gnomebindings.h"

#include "platform/common/gsettingsvalues.h"
#include "platform/x11/keymap.h"

namespace tandri::x11::GnomeBindings {

namespace {

struct Known {
    const char* schema;
    const char* key;
    const char* name;
};

constexpr Known known[] = {
    {"org.gnome.desktop.wm.keybindings", "activate-window-menu", "GNOME's window menu"},
    {"org.gnome.desktop.wm.keybindings", "switch-input-source", "the next input source"},
    {"org.gnome.desktop.wm.keybindings", "switch-input-source-backward",
     "the previous input source"},
    {"org.gnome.desktop.wm.keybindings", "panel-run-dialog", "GNOME's Run dialog"},
    {"org.gnome.desktop.wm.keybindings", "switch-applications", "switching apps"},
    {"org.gnome.shell.keybindings", "toggle-overview", "the Activities overview"},
    {"org.gnome.shell.keybindings", "toggle-application-view", "the app grid"},
};

}  // namespace

std::vector<SystemShortcut> read() {
    std::vector<SystemShortcut> result;
    for (const Known& entry : known) {
        const auto accelerators = GSettingsValues::strings(QString::fromLatin1(entry.schema),
                                                           QString::fromLatin1(entry.key));
        if (!accelerators)
            continue;
        for (const QString& text : *accelerators) {
            if (const auto keys = KeyMap::accelerator(text)) {
                result.push_back({int(result.size()) + 1, QString::fromUtf8(entry.name),
                                  keys->first, keys->second, true});
            }
        }
    }
    return result;
}

}  // namespace tandri::x11::GnomeBindings
