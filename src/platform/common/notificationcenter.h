// SPDX-License-Identifier: MIT
#pragma once

#include <QHash>
#include <QMutex>
#include <memory>
#include <vector>

#include "platform/notifications.h"

namespace tandri {

/// The in-process notification centre. Observers run on the posting thread, outside the lock, so
/// a handler may post, observe or stop observing.
class NotificationCenter : public Notifications {
public:
    NotificationCenter();
    ~NotificationCenter() override;

    void post(const QString& name, const QVariant& object = {}) override;
    [[nodiscard]] std::unique_ptr<Observation> observe(
        const QString& name, std::function<void(const QVariant&)> handler) override;

private:
    struct Observer;
    struct Registry;
    class Token;

    // Shared with the tokens, so that a token outliving the centre is harmless.
    std::shared_ptr<Registry> registry_;
};

}  // namespace tandri
