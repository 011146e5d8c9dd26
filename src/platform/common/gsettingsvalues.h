// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace tandri {

/// The desktop's GSettings (dconf on GNOME and its relatives), read through GIO. Only schemas
/// that are installed are asked, so a desktop without them reads as having no values.
namespace GSettingsValues {

/// A key holding a list of strings, or one string; absent when the schema or the key is not
/// installed or the key holds something else.
std::optional<QStringList> strings(const QString& schema, const QString& key);

}  // namespace GSettingsValues
}  // namespace tandri
