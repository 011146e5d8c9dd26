// SPDX-License-Identifier: MIT
#pragma once

#include <QDateTime>
#include <QString>
#include <optional>

namespace tandri {

/// The freedesktop.org Trash: every trashed item lies in a trash folder's `files/` with a
/// `info/NAME.trashinfo` beside it that says where it came from and when. Items of the home
/// trash's file system go to the home trash ($XDG_DATA_HOME/Trash); items of another file system
/// to the trash folder at the top of theirs ($topdir/.Trash/$uid, else $topdir/.Trash-$uid), and
/// where there is none, are copied into the home trash and then removed.
class XdgTrash {
public:
    /// The user's home trash.
    XdgTrash();
    /// The trash whose folder is `homeTrash`; `topDirectoryTrashes` lets items of other file
    /// systems go to the trash folders at the top of theirs.
    explicit XdgTrash(const QString& homeTrash, bool topDirectoryTrashes = true);

    /// $XDG_DATA_HOME/Trash, else ~/.local/share/Trash.
    static QString defaultHomeTrash();
    /// The folder of the home trash.
    QString homeTrash() const { return home_; }
    /// The folder that holds the home trash's items.
    QString filesFolder() const;

    /// Moves a file or folder (a symbolic link itself, not its target) to the trash; false when
    /// it could not, and then the item is where it was and the trash as it was.
    bool moveToTrash(const QString& path);

    /// The contents of a .trashinfo file: the original place percent-encoded, and the time.
    static QByteArray trashInfo(const QByteArray& path, const QDateTime& deleted);

private:
    // The trash folder for an item of another file system than the home trash's, created when
    // needed; absent when there is none to use.
    std::optional<QString> topDirectoryTrash(const QByteArray& item, quint64 device) const;
    // Moves or copies the item into `trash`, its Path recorded as `recorded`.
    bool trashInto(const QString& trash, const QByteArray& item, const QByteArray& recorded,
                   bool copy);

    QString home_;
    bool topDirectoryTrashes_;
};

}  // namespace tandri
