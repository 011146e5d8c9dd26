// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringList>
#include <ostream>

// Readable failure messages: Qt's strings as text rather than their bytes.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

inline void PrintTo(const QStringList& list, std::ostream* out) {
    *out << "{\n";
    for (const auto& item : list) *out << "  \"" << item.toStdString() << "\"\n";
    *out << '}';
}
