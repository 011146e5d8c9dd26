// SPDX-License-Identifier: MIT
#pragma once

#include <QHash>
#include <QMutex>
#include <QSet>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>

#include "platform/notifications.h"
#include "platform/preferences.h"

class QFileSystemWatcher;
class QObject;
class QThread;

namespace tandri {

/// Preference domains as JSON files, one `<domain>.json` per domain in one folder. Files are
/// replaced atomically and checked with one stat per access, so outside edits are seen at once;
/// outside changes are also announced when a Qt application runs. Destroy it on the thread that
/// made it.
class JsonPreferences : public Preferences {
public:
    JsonPreferences(const QString& directory, Notifications& notifications);
    ~JsonPreferences() override;
    JsonPreferences(const JsonPreferences&) = delete;
    JsonPreferences& operator=(const JsonPreferences&) = delete;

    /// `$XDG_CONFIG_HOME/tandri/defaults`, with `~/.config` when the variable is unset, empty or
    /// relative.
    static QString defaultDirectory();
    /// The folder that holds the domain files.
    QString directory() const { return directory_; }

    QJsonValue value(const QString& domain, const QString& key) const override;
    QJsonValue storedValue(const QString& domain, const QString& key) const override;
    QJsonObject storedDomain(const QString& domain) const override;
    void setValue(const QString& domain, const QString& key, const QJsonValue& value) override;
    void removeValue(const QString& domain, const QString& key) override;
    void registerDefaults(const QString& domain, const QJsonObject& defaults) override;

private:
    /// What identifies one version of a file without reading it.
    struct Stamp {
        bool exists = false;
        quint64 device = 0;
        quint64 inode = 0;
        qint64 size = 0;
        qint64 mtimeNs = 0;
        bool operator==(const Stamp&) const = default;
    };

    struct Domain {
        QJsonObject defaults;
        QJsonObject stored;
        /// The file version `stored` was read from; absent until first read.
        std::optional<Stamp> stamp;
        /// The file exists but did not parse (or could not be read).
        bool unreadable = false;
    };

    QString filePath(const QString& domain) const;
    // The following expect mutex_ to be held.
    bool accepts(const QString& domain) const;
    Domain& load(const QString& domain) const;
    void read(const QString& domain, Domain& entry, const Stamp& current) const;
    bool write(const QString& domain, Domain& entry, const QJsonObject& object);
    bool keepUnreadable(const QString& domain) const;
    /// Whether a copy of the unreadable file at `path` was kept beside it before.
    bool keptAlready(const QString& path) const;
    QStringList domainsOnDisk() const;

    void change(const QString& domain, const std::function<void(QJsonObject&)>& edit);

    // Watching for other processes' changes, on the thread that made the store.
    void startWatching() const;
    void createWatcher() const;
    void updateWatchedPaths() const;
    void refresh() const;

    const QString directory_;
    Notifications& notifications_;
    QThread* const ownerThread_;
    std::unique_ptr<QObject> context_;

    mutable QMutex mutex_;
    mutable QHash<QString, Domain> domains_;
    /// The file versions last announced (or written by this process), per domain.
    mutable QHash<QString, Stamp> lastSeen_;
    mutable QSet<QString> warned_;

    mutable std::atomic<bool> watchRequested_{false};
    mutable std::unique_ptr<QFileSystemWatcher> watcher_;
    mutable QString watchedAncestor_;
};

}  // namespace tandri
