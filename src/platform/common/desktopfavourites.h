// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace tandri {

/// The apps a Linux desktop keeps pinned in its own dock or panel: GNOME's favourites (and
/// those of the desktops built on GNOME Shell), Unity's launcher, Plasma's task managers, Xfce's
/// panel launchers.
namespace DesktopFavourites {

/// Where a session keeps its lists.
struct Session {
    /// `XDG_CURRENT_DESKTOP`'s names as written ("ubuntu", "GNOME").
    QStringList desktops;
    /// The config folders, most important first.
    QStringList configFolders;
    /// The default application's desktop-file id for a MIME type, for Plasma's
    /// "preferred://browser" and "preferred://filemanager" launchers.
    std::function<std::optional<QString>(const QString& mimeType)> defaultApplication;
};

/// One desktop's list: desktop-file ids ("firefox.desktop") or absolute paths of desktop files,
/// in the desktop's order.
struct List {
    /// What the desktop calls the place, as a sentence writes it: "Dash", "panel".
    QString place;
    QStringList apps;
};

/// The session of this process, from the XDG variables.
Session session();

/// What the first of `desktops` that keeps a list calls its place; absent where none does.
std::optional<QString> place(const QStringList& desktops);

/// The list of the first of the session's desktops that keeps one: its place with the apps, or
/// with none when its settings are missing or unreadable (with a line on stderr when they exist
/// but cannot be read). Absent on a desktop that keeps no such list.
std::optional<List> read(const Session& session);

/// A GSettings key holding desktop-file ids; `prefix` ("application://") is dropped where
/// present. Absent when the schema or key is not installed.
std::optional<QStringList> gsettings(const QString& schema, const QString& key,
                                     const QString& prefix = {});
/// The launchers of every task manager in a Plasma applets file
/// (`plasma-org.kde.plasma.desktop-appletsrc`), panel by panel.
std::optional<QStringList> plasma(
    const QString& appletsFile,
    const std::function<std::optional<QString>(const QString&)>& defaultApplication);
/// The launchers of Xfce's panels in an `xfce4-panel.xml` channel, panel by panel; each
/// launcher's own copy of a desktop file is found in the `launcher-N` folders of `panelFolders`
/// and replaced by the installed entry it was copied from, where it says so.
std::optional<QStringList> xfce(const QString& channelFile, const QStringList& panelFolders);

}  // namespace DesktopFavourites
}  // namespace tandri
