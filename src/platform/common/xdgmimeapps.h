// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace tandri {

/// The user's default applications as the freedesktop MIME-apps lists record them
/// (`mimeapps.list`, its desktop-specific variants, and the older `defaults.list`).
class XdgMimeApps {
public:
    /// Where the lists are, most important first.
    struct Folders {
        QString configHome;
        QStringList configDirs;
        QString dataHome;
        QStringList dataDirs;
        /// `XDG_CURRENT_DESKTOP`'s names, lowercased ("gnome", "kde").
        QStringList desktops;
    };

    /// The folders of this session, from the XDG variables.
    static Folders sessionFolders();

    /// The id of the first installed default for `mimeType` ("org.gnome.Nautilus", without
    /// ".desktop"); absent when no list names one that is installed.
    static std::optional<QString> defaultApplication(
        const QString& mimeType, const Folders& folders,
        const std::function<bool(const QString& id)>& installed);

    /// The lists in the order they are consulted.
    static QStringList lists(const Folders& folders);
};

}  // namespace tandri
