#pragma once

#include <QString>
#include <QStringList>
#include <map>
#include <optional>

namespace tandri {

/// Files in the format KDE's programs keep their settings in (`kdeglobals`, Plasma's applet
/// files): groups, nested as "[Containments][2][Applets][5]", of `key=value` lines.
namespace KdeConfig {

/// A group's name path ("Containments", "2", …) → its keys → their values, unescaped. A key
/// written with options ("key[$e]") is stored under its bare name; localised keys ("Name[de]")
/// keep their brackets.
using Groups = std::map<QStringList, std::map<QString, QString>>;

/// Absent when the file is missing or cannot be read; lines that are not a group or a key are
/// skipped, as KDE skips them.
std::optional<Groups> read(const QString& path);

/// A value with KDE's escapes ("\s", "\t", "\n", "\\") resolved.
QString unescape(const QString& value);

}  // namespace KdeConfig
}  // namespace tandri
