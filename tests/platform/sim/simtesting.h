#pragma once

#include <gtest/gtest.h>

#include <QString>
#include <memory>
#include <string>
#include <vector>

#include "platform/sim/simdesktop.h"

namespace tandri::sim::testing {

/// QString as text gtest can print.
inline std::string str(const QString& text) {
    return text.toStdString();
}

inline std::vector<std::string> strs(const std::vector<QString>& texts) {
    std::vector<std::string> result;
    for (const auto& text : texts) result.push_back(text.toStdString());
    return result;
}

/// Loads a desktop that must load.
inline std::unique_ptr<SimDesktop> load(const QByteArray& json) {
    auto result = SimDesktop::fromJson(json, QStringLiteral("test"));
    EXPECT_EQ(str(result.error), "");
    if (!result.desktop)
        result = SimDesktop::fromJson("{}");
    return std::move(result.desktop);
}

/// The error text of a desktop that must not load.
inline std::string loadError(const QByteArray& json) {
    auto result = SimDesktop::fromJson(json, QStringLiteral("test"));
    EXPECT_EQ(result.desktop, nullptr);
    return str(result.error);
}

}  // namespace tandri::sim::testing
