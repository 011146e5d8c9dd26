#pragma once

#include <QString>
#include <vector>

#include "platform/shortcuttable.h"

namespace tandri::x11 {

/// What a desktop's binding reader found, in a form tests compare whole.
struct Bound {
    QString name;
    qint64 keyCode;
    qint64 modifiers;
    bool operator==(const Bound&) const = default;
};

/// The readers' shortcuts, each of which must count as bound now.
inline std::vector<Bound> boundOf(const std::vector<SystemShortcut>& shortcuts) {
    std::vector<Bound> result;
    for (const SystemShortcut& s : shortcuts) {
        if (!s.onByDefault)
            result.push_back({QStringLiteral("(not bound) ") + s.name, s.keyCode, s.modifiers});
        else
            result.push_back({s.name, s.keyCode, s.modifiers});
    }
    return result;
}

}  // namespace tandri::x11
