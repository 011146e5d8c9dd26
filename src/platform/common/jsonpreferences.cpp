// SPDX-License-Identifier: MIT
#include "platform/common/jsonpreferences.h"

#include <sys/stat.h>
#include <unistd.h>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QJsonDocument>
#include <QMetaObject>
#include <QMutexLocker>
#include <QObject>
#include <QSaveFile>
#include <QThread>
#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/common/regularfile.h"
#include "platform/common/xdgdirs.h"

namespace tandri {

namespace {

const QString fileSuffix = QStringLiteral(".json");

bool validDomainName(const QString& domain) {
    return !domain.isEmpty() && !domain.startsWith(u'.') && !domain.contains(u'/') &&
           !domain.contains(u'\\') && !domain.contains(QChar(u'\0'));
}

// Templates only so that they can fill the class's private Stamp. A file that cannot be looked at
// counts as missing.
template <typename Stamp>
Stamp stampOf(const struct stat& info) {
    Stamp stamp;
    stamp.exists = true;
    stamp.device = static_cast<quint64>(info.st_dev);
    stamp.inode = static_cast<quint64>(info.st_ino);
    stamp.size = static_cast<qint64>(info.st_size);
    stamp.mtimeNs = static_cast<qint64>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    return stamp;
}

template <typename Stamp>
Stamp stampOfPath(const QString& path) {
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return Stamp{};
    return stampOf<Stamp>(info);
}

}  // namespace

JsonPreferences::JsonPreferences(const QString& directory, Notifications& notifications)
    : directory_(directory.isEmpty() ? QString()
                                     : QDir::cleanPath(QFileInfo(directory).absoluteFilePath())),
      notifications_(notifications),
      ownerThread_(QThread::currentThread()),
      context_(std::make_unique<QObject>()) {
    if (directory_.isEmpty())
        qWarning("Preferences: no folder given; nothing is read or stored");
}

JsonPreferences::~JsonPreferences() {
    // The watcher's handlers use this object; a queued start of the watcher dies with context_.
    watcher_.reset();
    context_.reset();
}

QString JsonPreferences::defaultDirectory() {
    return QDir::cleanPath(XdgDirs::configHome() + QStringLiteral("/tandri/defaults"));
}

QJsonValue JsonPreferences::value(const QString& domain, const QString& key) const {
    startWatching();
    QMutexLocker lock(&mutex_);
    if (!accepts(domain))
        return QJsonValue(QJsonValue::Undefined);
    const Domain& entry = load(domain);
    const auto stored = entry.stored.constFind(key);
    if (stored != entry.stored.constEnd())
        return stored.value();
    return entry.defaults.value(key);
}

QJsonValue JsonPreferences::storedValue(const QString& domain, const QString& key) const {
    startWatching();
    QMutexLocker lock(&mutex_);
    if (!accepts(domain))
        return QJsonValue(QJsonValue::Undefined);
    return load(domain).stored.value(key);
}

QJsonObject JsonPreferences::storedDomain(const QString& domain) const {
    startWatching();
    QMutexLocker lock(&mutex_);
    if (!accepts(domain))
        return {};
    return load(domain).stored;
}

void JsonPreferences::setValue(const QString& domain, const QString& key, const QJsonValue& value) {
    if (value.isUndefined()) {
        removeValue(domain, key);
        return;
    }
    change(domain, [&](QJsonObject& object) { object.insert(key, value); });
}

void JsonPreferences::removeValue(const QString& domain, const QString& key) {
    change(domain, [&](QJsonObject& object) { object.remove(key); });
}

void JsonPreferences::registerDefaults(const QString& domain, const QJsonObject& defaults) {
    QMutexLocker lock(&mutex_);
    if (!accepts(domain))
        return;
    QJsonObject& registered = domains_[domain].defaults;
    for (auto it = defaults.constBegin(); it != defaults.constEnd(); ++it) {
        registered.insert(it.key(), it.value());
    }
}

void JsonPreferences::change(const QString& domain, const std::function<void(QJsonObject&)>& edit) {
    startWatching();
    bool written = false;
    {
        QMutexLocker lock(&mutex_);
        if (!accepts(domain))
            return;
        Domain& entry = load(domain);
        QJsonObject object = entry.stored;
        edit(object);
        written = write(domain, entry, object);
    }
    // Observers may read or write preferences themselves, so they run without the lock.
    if (written)
        notifications_.post(changedNotification, domain);
}

QString JsonPreferences::filePath(const QString& domain) const {
    return directory_ + u'/' + domain + fileSuffix;
}

bool JsonPreferences::accepts(const QString& domain) const {
    if (!directory_.isEmpty() && validDomainName(domain))
        return true;
    if (!directory_.isEmpty() && !warned_.contains(domain)) {
        warned_.insert(domain);
        QString shown = domain;
        shown.replace(QChar(u'\0'), QStringLiteral("\\0"));
        qWarning("Preferences: refusing the domain name \"%s\"", qUtf8Printable(shown));
    }
    return false;
}

JsonPreferences::Domain& JsonPreferences::load(const QString& domain) const {
    Domain& entry = domains_[domain];
    // The hot path: one stat, and the parsed object is reused while the file is unchanged.
    const Stamp current = stampOfPath<Stamp>(filePath(domain));
    if (!entry.stamp || *entry.stamp != current)
        read(domain, entry, current);
    return entry;
}

void JsonPreferences::read(const QString& domain, Domain& entry, const Stamp& current) const {
    entry.stored = {};
    entry.unreadable = false;
    entry.stamp = current;
    if (!current.exists)
        return;

    const QString path = filePath(domain);
    const RegularFile file = RegularFile::read(path, RegularFile::textLimit);
    if (file.status == RegularFile::Status::Missing) {
        entry.stamp = Stamp{};
        return;
    }
    // The stamp of what is actually read, in case the file was replaced since the stat.
    if (file.opened)
        entry.stamp = stampOf<Stamp>(file.info);
    if (!file.ok()) {
        entry.unreadable = true;
        qWarning("Preferences: cannot read %s: %s", qUtf8Printable(path),
                 qUtf8Printable(file.problem()));
        return;
    }
    if (file.bytes.isEmpty())
        return;  // nothing in it to lose
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(file.bytes, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        entry.unreadable = true;
        qWarning(
            "Preferences: %s is not a JSON object (%s); it reads as empty and is kept under "
            "another name before the next change",
            qUtf8Printable(path),
            qUtf8Printable(error.error != QJsonParseError::NoError ? error.errorString()
                                                                   : QStringLiteral("no object")));
        return;
    }
    entry.stored = document.object();
}

bool JsonPreferences::write(const QString& domain, Domain& entry, const QJsonObject& object) {
    const QString path = filePath(domain);
    if (!QDir().mkpath(directory_)) {
        qWarning("Preferences: cannot create the folder %s", qUtf8Printable(directory_));
        return false;
    }
    if (entry.unreadable && !keepUnreadable(domain)) {
        qWarning("Preferences: cannot keep a copy of the unreadable %s; not changing it",
                 qUtf8Printable(path));
        return false;
    }

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        qWarning("Preferences: cannot write %s: %s", qUtf8Printable(path),
                 qUtf8Printable(file.errorString()));
        return false;
    }
    const QByteArray bytes = QJsonDocument(object).toJson(QJsonDocument::Indented);
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        qWarning("Preferences: cannot write %s: %s", qUtf8Printable(path),
                 qUtf8Printable(file.errorString()));
        file.cancelWriting();
        return false;
    }
    // Taken from the new file itself before it replaces the old one, so that another process
    // replacing it right after our rename is not mistaken for this write.
    std::optional<Stamp> written;
    struct stat info {};
    if (file.handle() >= 0 && ::fstat(file.handle(), &info) == 0)
        written = stampOf<Stamp>(info);
    if (!file.commit()) {
        qWarning("Preferences: cannot write %s: %s", qUtf8Printable(path),
                 qUtf8Printable(file.errorString()));
        return false;
    }
    if (!written)
        written = stampOfPath<Stamp>(path);

    entry.stored = object;
    entry.unreadable = false;
    entry.stamp = *written;
    lastSeen_.insert(domain, *written);
    return true;
}

bool JsonPreferences::keptAlready(const QString& path) const {
    struct stat original {};
    if (::stat(QFile::encodeName(path).constData(), &original) != 0)
        return false;
    const QFileInfo info(path);
    const QStringList kept = QDir(info.path())
                                 .entryList({info.fileName() + QStringLiteral(".unreadable-*")},
                                            QDir::Files | QDir::Hidden);
    std::optional<RegularFile> bytes;
    for (const QString& name : kept) {
        const QString candidate = info.path() + u'/' + name;
        struct stat copy {};
        if (::stat(QFile::encodeName(candidate).constData(), &copy) != 0)
            continue;
        if (copy.st_dev == original.st_dev && copy.st_ino == original.st_ino)
            return true;  // a hard link made earlier
        if (copy.st_size != original.st_size)
            continue;
        // Where links are not supported the copy holds the same bytes.
        if (!bytes)
            bytes = RegularFile::read(path, RegularFile::textLimit);
        const RegularFile other = RegularFile::read(candidate, RegularFile::textLimit);
        if (bytes->ok() && other.ok() && other.bytes == bytes->bytes)
            return true;
    }
    return false;
}

bool JsonPreferences::keepUnreadable(const QString& domain) const {
    const QString path = filePath(domain);
    // Every failed write would otherwise add another copy of the same file.
    if (keptAlready(path))
        return true;
    const QByteArray source = QFile::encodeName(path);
    const QString stem = path + QStringLiteral(".unreadable-") +
                         QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    for (int n = 1; n <= 1000; ++n) {
        const QString target = n == 1 ? stem : stem + u'-' + QString::number(n);
        // A hard link keeps the bytes and cannot replace an existing name.
        if (::link(source.constData(), QFile::encodeName(target).constData()) == 0) {
            qWarning("Preferences: kept the unreadable %s as %s", qUtf8Printable(path),
                     qUtf8Printable(target));
            return true;
        }
        if (errno == EEXIST)
            continue;
        if (errno == ENOENT && !QFileInfo::exists(path))
            return true;  // gone: nothing to keep
        // Where hard links are not supported, copy; QFile::copy refuses an existing target.
        if (QFileInfo::exists(target))
            continue;
        if (QFile::copy(path, target)) {
            qWarning("Preferences: kept the unreadable %s as %s", qUtf8Printable(path),
                     qUtf8Printable(target));
            return true;
        }
        return false;
    }
    return false;
}

QStringList JsonPreferences::domainsOnDisk() const {
    QStringList domains;
    const QDir dir(directory_);
    const QStringList files =
        dir.entryList({u'*' + fileSuffix}, QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    for (const QString& file : files) {
        const QString domain = file.chopped(fileSuffix.size());
        if (validDomainName(domain))
            domains.append(domain);
    }
    return domains;
}

void JsonPreferences::startWatching() const {
    if (watchRequested_.load(std::memory_order_acquire))
        return;
    if (directory_.isEmpty() || !QCoreApplication::instance())
        return;
    if (watchRequested_.exchange(true))
        return;
    if (QThread::currentThread() == ownerThread_) {
        createWatcher();
    } else {
        QMetaObject::invokeMethod(
            context_.get(), [this] { createWatcher(); }, Qt::QueuedConnection);
    }
}

void JsonPreferences::createWatcher() const {
    if (watcher_ || !QCoreApplication::instance())
        return;
    watcher_ = std::make_unique<QFileSystemWatcher>();
    QObject::connect(watcher_.get(), &QFileSystemWatcher::directoryChanged, watcher_.get(),
                     [this] { refresh(); });
    QObject::connect(watcher_.get(), &QFileSystemWatcher::fileChanged, watcher_.get(),
                     [this] { refresh(); });
    updateWatchedPaths();
    // What is on disk now is the baseline; only later changes are announced.
    QMutexLocker lock(&mutex_);
    for (const QString& domain : domainsOnDisk()) {
        if (!lastSeen_.contains(domain))
            lastSeen_.insert(domain, stampOfPath<Stamp>(filePath(domain)));
    }
}

void JsonPreferences::updateWatchedPaths() const {
    // Until the folder exists, watch the nearest folder above it to see it appear.
    QString ancestor;
    if (!QFileInfo(directory_).isDir()) {
        QString candidate = directory_;
        while (!candidate.isEmpty() && !QFileInfo(candidate).isDir()) {
            const QString parent = QFileInfo(candidate).path();
            if (parent == candidate)
                break;
            candidate = parent;
        }
        if (QFileInfo(candidate).isDir())
            ancestor = candidate;
    }
    if (ancestor != watchedAncestor_) {
        if (!watchedAncestor_.isEmpty())
            watcher_->removePath(watchedAncestor_);
        if (!ancestor.isEmpty())
            watcher_->addPath(ancestor);
        watchedAncestor_ = ancestor;
    }
    if (!ancestor.isEmpty())
        return;

    // The folder shows files replaced by rename; the files themselves show edits in place.
    const QStringList directories = watcher_->directories();
    if (!directories.contains(directory_))
        watcher_->addPath(directory_);
    const QStringList watchedFiles = watcher_->files();
    QStringList missing;
    for (const QString& domain : domainsOnDisk()) {
        const QString path = filePath(domain);
        if (!watchedFiles.contains(path))
            missing.append(path);
    }
    if (!missing.isEmpty())
        watcher_->addPaths(missing);
}

void JsonPreferences::refresh() const {
    if (!watcher_)
        return;
    updateWatchedPaths();
    QStringList changed;
    {
        QMutexLocker lock(&mutex_);
        QStringList domains = domainsOnDisk();
        for (auto it = lastSeen_.constBegin(); it != lastSeen_.constEnd(); ++it) {
            if (!domains.contains(it.key()))
                domains.append(it.key());
        }
        domains.sort();
        for (const QString& domain : domains) {
            const Stamp current = stampOfPath<Stamp>(filePath(domain));
            if (current != lastSeen_.value(domain)) {
                lastSeen_.insert(domain, current);
                changed.append(domain);
            }
        }
    }
    for (const QString& domain : changed) notifications_.post(changedNotification, domain);
}

}  // namespace tandri
