// SPDX-License-Identifier: MIT
#pragma once

#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <optional>

namespace tandri {

/// Named preference domains. Stored values live on disk; registered defaults live in memory only
/// and are never written. Every read sees the latest stored state, including outside edits.
/// Safe to call from any thread.
class Preferences {
public:
    /// The program's own domain.
    static inline const QString appDomain = QStringLiteral("app.tandri");
    /// Posted (object: the domain name) after any change, by this process or another.
    static inline const QString changedNotification = QStringLiteral("TandriPreferencesChanged");

    virtual ~Preferences() = default;

    /// The stored value, else the registered default, else an undefined value.
    virtual QJsonValue value(const QString& domain, const QString& key) const = 0;
    /// The stored value only; undefined when nothing is stored.
    virtual QJsonValue storedValue(const QString& domain, const QString& key) const = 0;
    /// Every stored key of a domain (registered defaults excluded).
    virtual QJsonObject storedDomain(const QString& domain) const = 0;
    /// Stores `value` under `key`; an undefined value removes the key. Written atomically.
    virtual void setValue(const QString& domain, const QString& key, const QJsonValue& value) = 0;
    /// Removes a stored key; the registered default, if any, shows through again.
    virtual void removeValue(const QString& domain, const QString& key) = 0;
    /// Adds in-memory defaults to a domain; later registrations of a key replace earlier ones.
    virtual void registerDefaults(const QString& domain, const QJsonObject& defaults) = 0;

    // Typed reads. A value of another type reads as the neutral value.
    bool boolValue(const QString& domain, const QString& key) const;
    double doubleValue(const QString& domain, const QString& key) const;
    qint64 integerValue(const QString& domain, const QString& key) const;
    std::optional<QString> stringValue(const QString& domain, const QString& key) const;
};

}  // namespace tandri
