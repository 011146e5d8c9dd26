// SPDX-License-Identifier: MIT
#include "platform/common/notificationcenter.h"

#include <QMutexLocker>
#include <algorithm>
#include <atomic>

namespace tandri {

struct NotificationCenter::Observer {
    explicit Observer(std::function<void(const QVariant&)> h) : handler(std::move(h)) {}
    const std::function<void(const QVariant&)> handler;
    // Cleared when the token goes, so that a post already under way skips the observer.
    std::atomic<bool> active{true};
};

struct NotificationCenter::Registry {
    QMutex mutex;
    QHash<QString, std::vector<std::shared_ptr<Observer>>> observers;
};

class NotificationCenter::Token : public Observation {
public:
    Token(std::weak_ptr<Registry> registry, QString name, std::shared_ptr<Observer> observer)
        : registry_(std::move(registry)), name_(std::move(name)), observer_(std::move(observer)) {}

    ~Token() override {
        observer_->active.store(false);
        const std::shared_ptr<Registry> registry = registry_.lock();
        if (!registry)
            return;
        QMutexLocker lock(&registry->mutex);
        auto it = registry->observers.find(name_);
        if (it == registry->observers.end())
            return;
        std::erase(it.value(), observer_);
        if (it.value().empty())
            registry->observers.erase(it);
    }

private:
    std::weak_ptr<Registry> registry_;
    QString name_;
    std::shared_ptr<Observer> observer_;
};

NotificationCenter::NotificationCenter() : registry_(std::make_shared<Registry>()) {}

NotificationCenter::~NotificationCenter() = default;

void NotificationCenter::post(const QString& name, const QVariant& object) {
    // A snapshot: observers added by a handler wait for the next post, and the shared pointers
    // keep a handler alive while it runs even if its token is destroyed inside it.
    std::vector<std::shared_ptr<Observer>> snapshot;
    {
        QMutexLocker lock(&registry_->mutex);
        const auto it = registry_->observers.constFind(name);
        if (it == registry_->observers.cend())
            return;
        snapshot = it.value();
    }
    for (const std::shared_ptr<Observer>& observer : snapshot) {
        if (observer->active.load() && observer->handler)
            observer->handler(object);
    }
}

std::unique_ptr<Observation> NotificationCenter::observe(
    const QString& name, std::function<void(const QVariant&)> handler) {
    auto observer = std::make_shared<Observer>(std::move(handler));
    {
        QMutexLocker lock(&registry_->mutex);
        registry_->observers[name].push_back(observer);
    }
    return std::make_unique<Token>(registry_, name, std::move(observer));
}

}  // namespace tandri
