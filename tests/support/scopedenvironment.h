// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QtGlobal>
#include <optional>
#include <utility>
#include <vector>

namespace tandri::test {

/// Sets environment variables (or unsets those given no value) for as long as it lives, then
/// puts back what was there.
class ScopedEnvironment {
public:
    using Values = std::initializer_list<std::pair<const char*, std::optional<QByteArray>>>;

    ScopedEnvironment(Values values) {
        for (const auto& [name, value] : values) {
            saved_.emplace_back(name, qEnvironmentVariableIsSet(name)
                                          ? std::optional<QByteArray>(qgetenv(name))
                                          : std::nullopt);
            put(name, value);
        }
    }
    ~ScopedEnvironment() {
        for (const auto& [name, value] : saved_) put(name, value);
    }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    static void put(const char* name, const std::optional<QByteArray>& value) {
        value ? qputenv(name, *value) : qunsetenv(name);
    }

    std::vector<std::pair<const char*, std::optional<QByteArray>>> saved_;
};

}  // namespace tandri::test
