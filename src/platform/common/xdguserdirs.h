// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <optional>

namespace tandri {

/// The user's well-known folders as `xdg-user-dirs` records them in `user-dirs.dirs`.
namespace XdgUserDirs {

/// The folder recorded for `name` ("DOWNLOAD" for `XDG_DOWNLOAD_DIR`), with `$HOME` expanded to
/// `home`; else `home` + "/" + `fallback` when that folder exists. Absent when the record says
/// the folder is the home folder itself, which is how a user turns it off, or when nothing
/// names one.
std::optional<QString> folder(const QString& name, const QString& fallback,
                              const QString& configHome, const QString& home);

/// The Downloads folder of this session.
std::optional<QString> downloads();

}  // namespace XdgUserDirs
}  // namespace tandri
