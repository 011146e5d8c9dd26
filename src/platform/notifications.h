// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QVariant>
#include <functional>
#include <memory>

namespace tandri {

/// Keeps an observation alive; destroying it removes the observer.
class Observation {
public:
    virtual ~Observation() = default;
};

/// The process's notification centre: named signals with one optional object.
/// Observers run synchronously, on the thread that posts (the main thread in practice).
class Notifications {
public:
    virtual ~Notifications() = default;
    /// Delivers `name` with `object` to every current observer of `name`, in order of observing.
    virtual void post(const QString& name, const QVariant& object = {}) = 0;
    /// Observes `name` until the returned token is destroyed.
    [[nodiscard]] virtual std::unique_ptr<Observation> observe(
        const QString& name, std::function<void(const QVariant&)> handler) = 0;
};

}  // namespace tandri
