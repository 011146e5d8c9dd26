// SPDX-License-Identifier: MIT
#include "platform/preferences.h"

#include <cmath>
#include <limits>

namespace tandri {

bool Preferences::boolValue(const QString& domain, const QString& key) const {
    const QJsonValue v = value(domain, key);
    if (v.isBool())
        return v.toBool();
    if (v.isDouble())
        return v.toDouble() != 0.0;
    return false;
}

double Preferences::doubleValue(const QString& domain, const QString& key) const {
    const QJsonValue v = value(domain, key);
    return v.isDouble() ? v.toDouble() : 0.0;
}

qint64 Preferences::integerValue(const QString& domain, const QString& key) const {
    const QJsonValue v = value(domain, key);
    if (!v.isDouble())
        return 0;
    // A whole number stored as an integer keeps all 64 bits; going through double would not.
    const qint64 exact = v.toInteger(0);
    if (exact == v.toInteger(1))
        return exact;
    const double d = std::trunc(v.toDouble());
    if (std::isnan(d))
        return 0;
    // Casting an out-of-range double is undefined; saturate instead.
    constexpr double limit = 9223372036854775808.0;  // 2^63
    if (d >= limit)
        return std::numeric_limits<qint64>::max();
    if (d < -limit)
        return std::numeric_limits<qint64>::min();
    return static_cast<qint64>(d);
}

std::optional<QString> Preferences::stringValue(const QString& domain, const QString& key) const {
    const QJsonValue v = value(domain, key);
    if (v.isString())
        return v.toString();
    return std::nullopt;
}

}  // namespace tandri
