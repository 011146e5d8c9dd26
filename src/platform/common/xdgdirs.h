// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringList>

namespace tandri {

/// The XDG base folders of this session, as the freedesktop base-directory rules define them: a
/// variable that is unset, empty or relative is ignored in favour of its default.
namespace XdgDirs {

/// `$XDG_CONFIG_HOME`, else `~/.config`.
QString configHome();
/// `$XDG_CONFIG_DIRS`, else `/etc/xdg`.
QStringList configDirs();
/// `$XDG_DATA_HOME`, else `~/.local/share`.
QString dataHome();
/// `$XDG_STATE_HOME`, else `~/.local/state`: what a program keeps of its runs, such as logs.
QString stateHome();
/// `$XDG_DATA_DIRS`, else `/usr/local/share` and `/usr/share`.
QStringList dataDirs();
/// `relative` in the config home, then in each config folder: most important first.
QStringList configFiles(const QString& relative);

}  // namespace XdgDirs
}  // namespace tandri
