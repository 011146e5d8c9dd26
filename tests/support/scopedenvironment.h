#pragma once

#include <QByteArray>
#include <QtGlobal>
#include <optional>
#include <utility>
#include <vector>

namespace tandri::test {

/// Sets environment variables for as long as it lives, then puts back what was there, unset
/// ones unset.
class ScopedEnvironment {
public:
    ScopedEnvironment() = default;
    ScopedEnvironment(std::initializer_list<std::pair<const char*, QByteArray>> values) {
        for (const auto& [name, value] : values) set(name, value);
    }
    ~ScopedEnvironment() {
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
            if (it->second)
                qputenv(it->first, *it->second);
            else
                qunsetenv(it->first);
        }
    }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

    void set(const char* name, const QByteArray& value) {
        save(name);
        qputenv(name, value);
    }
    void unset(const char* name) {
        save(name);
        qunsetenv(name);
    }

private:
    void save(const char* name) {
        saved_.emplace_back(name, qEnvironmentVariableIsSet(name)
                                      ? std::optional<QByteArray>(qgetenv(name))
                                      : std::nullopt);
    }

    std::vector<std::pair<const char*, std::optional<QByteArray>>> saved_;
};

}  // namespace tandri::test
