// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QString>
#include <optional>
#include <vector>

namespace tandri {

/// A file in KDE's configuration format (kdeglobals, kglobalshortcutsrc): groups in brackets,
/// then "key=value" lines.
class KdeConfig {
public:
    struct Entry {
        QString key;
        QString value;
    };
    struct Group {
        /// Nested groups keep KDE's spelling between the outer brackets ("A][B").
        QString name;
        std::vector<Entry> entries;
    };

    /// The groups in file order; keys before the first group fall in one with an empty name.
    /// Values have KDE's escapes undone (\s \t \n \r \\ \xNN); other escapes, such as the
    /// list separators "\," and "\;", are kept as written. Keys lose their flags ("[$e]") but
    /// keep a language ("Name[de]"). Lines that are neither are skipped.
    static KdeConfig parse(const QByteArray& text);

    /// The value that counts: the last one written for the key in any group of that name.
    std::optional<QString> value(QStringView group, QStringView key) const;

    std::vector<Group> groups;
};

}  // namespace tandri
