// SPDX-License-Identifier: MIT
#include "prefs/windowlayout.h"

namespace tandri {

QString rawValue(WindowLayout layout) {
    switch (layout) {
        case WindowLayout::Arc:
            return QStringLiteral("arc");
        case WindowLayout::Column:
            return QStringLiteral("column");
        case WindowLayout::Off:
            return QStringLiteral("off");
    }
    return {};
}

std::optional<WindowLayout> windowLayoutFromRaw(const QString& raw) {
    for (auto layout : allWindowLayouts) {
        if (rawValue(layout) == raw)
            return layout;
    }
    return std::nullopt;
}

QString title(WindowLayout layout) {
    switch (layout) {
        case WindowLayout::Arc:
            return QStringLiteral("Outer arc");
        case WindowLayout::Column:
            return QStringLiteral("Column");
        case WindowLayout::Off:
            return QStringLiteral("Apps only");
    }
    return {};
}

QString detail(WindowLayout layout) {
    switch (layout) {
        case WindowLayout::Arc:
            return QStringLiteral(
                "Windows fan out on a second ring beyond the app. The hovered window's title shows "
                "in the middle.");
        case WindowLayout::Column:
            return QStringLiteral(
                "Windows open as a list of titles beside, above or below the ring.");
        case WindowLayout::Off:
            return QStringLiteral("No windows: the ring switches apps only.");
    }
    return {};
}

}  // namespace tandri
