// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <functional>
#include <optional>
#include <vector>

#include "platform/shortcuttable.h"

namespace tandri::wayland {

/// sway's own key bindings, read from its configuration, as shortcuts the ring's may collide with.
namespace SwayBindings {

/// The hot-key code of an XKB keysym; absent for keys without one.
using KeyCodeOf = std::function<std::optional<int>(quint32 keysym)>;

/// The `bindsym` bindings of the default mode in `text`, the configuration read from `path`,
/// with the files it includes (relative to the including file's folder, `~` and wildcards
/// expanded, each file once) and its `set $name value` variables substituted as sway does. Each
/// is named after what it does: a program it runs ("“rofi” (a sway key binding)") or the command
/// (`sway's “kill”`). Left out: bindings of other modes, mouse buttons, `bindcode`, modifiers
/// other than Shift, Ctrl, Alt and Super, chords of several keys, and those that run this program
/// (its `--trigger` lines). A later binding of the same keys replaces an earlier one.
std::vector<SystemShortcut> parse(const QString& text, const QString& path,
                                  const KeyCodeOf& keyCodeOf);

/// The file sway reads without `--config`: the first of ~/.sway/config,
/// $XDG_CONFIG_HOME/sway/config, ~/.i3/config, $XDG_CONFIG_HOME/i3/config, /etc/sway/config,
/// /etc/i3/config that exists; empty when none does.
QString defaultFile();

/// The bindings of the sway that runs here: its configuration as it tells over `$SWAYSOCK`
/// (`get_config`, which also covers a file given with `--config`), else the default file.
std::vector<SystemShortcut> readSession(const KeyCodeOf& keyCodeOf);

}  // namespace SwayBindings
}  // namespace tandri::wayland
