// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace tandri {

/// One of Xfce's settings channels as xfconf keeps it on disk
/// (`xfce4/xfconf/xfce-perchannel-xml/<channel>.xml`).
namespace XfconfChannel {

struct Property {
    /// Names from the channel down: {"plugins", "plugin-5", "items"}.
    QStringList path;
    QString type;
    /// A single value's text.
    QString value;
    /// An array's values' texts, in order.
    QStringList values;
};

/// Every property in file order; absent for a missing file, and for one that is not
/// well-formed, with a line on stderr.
std::optional<std::vector<Property>> read(const QString& path);

/// The property at `path`, if there is one.
const Property* find(const std::vector<Property>& properties, const QStringList& path);

}  // namespace XfconfChannel
}  // namespace tandri
