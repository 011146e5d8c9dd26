// SPDX-License-Identifier: MIT
#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <mutex>
#include <optional>
#include <vector>

namespace tandri {

/// The installed applications as the XDG desktop entries describe them: an index of the
/// `applications` folders of the data directories, kept current as files come and go, the match
/// of a running client to its entry, and launching an entry. Safe on any thread.
class DesktopEntries {
public:
    /// One `Type=Application` entry that is not hidden.
    struct Entry {
        /// The desktop-file id without ".desktop": "debian-xterm", "org.gnome.gedit".
        QString id;
        /// The absolute path of the .desktop file.
        QString path;
        /// Name in the current locale, else the plain Name.
        QString name;
        QString icon;
        QString exec;
        QString startupWMClass;
        QString workingDirectory;
        bool terminal = false;
        bool noDisplay = false;
    };

    /// The entries of $XDG_DATA_HOME and $XDG_DATA_DIRS, named in the system locale.
    DesktopEntries();
    /// The entries of these `applications` folders, the first taking precedence for an id;
    /// `locale` ("de_CH", "sr@latin") picks the localised names.
    DesktopEntries(QStringList folders, QString locale);

    /// The `applications` folders of the environment's data directories, in precedence order.
    static QStringList standardFolders();

    /// A number that changes whenever the entries do: what was matched against an earlier one
    /// may match otherwise now.
    quint64 generation() const;
    /// Every entry, in precedence order of folders, then by id.
    std::vector<Entry> entries() const;
    /// The entry with this id (with or without ".desktop").
    std::optional<Entry> byID(const QString& id) const;
    /// The entry in the file at `path`, indexed or not.
    std::optional<Entry> byPath(const QString& path) const;
    /// The entry of a client with this WM_CLASS instance and class, run by one of `executables`
    /// (base names): StartupWMClass first, then the id, then the command.
    std::optional<Entry> match(const QString& instance, const QString& wmClass,
                               const QStringList& executables) const;

    /// Reads one desktop file; absent unless it is an application entry that is not hidden.
    static std::optional<Entry> read(const QString& path, const QString& id, const QString& locale);
    /// The base name of the program an Exec line starts, skipping an `env` prefix.
    static QString program(const QString& exec);
    /// Splits an Exec line into arguments by its quoting rules; absent when the quoting is broken.
    static std::optional<QStringList> splitExec(const QString& exec);
    /// The command lines that open `targets` with the entry: one, or one per target when the
    /// entry takes a single file or URL. An error text when the entry cannot be run.
    struct Commands {
        std::vector<QStringList> lines;
        std::optional<QString> error;
    };
    static Commands commands(const Entry& entry, const std::vector<QUrl>& targets);
    /// Starts the entry detached with `targets`; an error text when it could not be started.
    static std::optional<QString> launch(const Entry& entry, const std::vector<QUrl>& targets = {});

private:
    struct Folder {
        QString path;
        QDateTime modified;
    };
    // These expect the mutex to be held.
    void refreshIfChanged() const;
    void scan() const;

    const QStringList folders_;
    const QString locale_;
    mutable std::mutex mutex_;
    mutable std::vector<Entry> entries_;
    // Every folder read, subfolders included: a new or removed file changes one of their times.
    mutable std::vector<Folder> scanned_;
    mutable QDateTime scannedAt_;
    mutable quint64 generation_ = 0;
};

}  // namespace tandri
