// SPDX-License-Identifier: MIT
#include "prefs/appset.h"

#include "platform/vocabulary.h"
#include "prefs/brand.h"

namespace tandri {

QString rawValue(AppSet set) {
    switch (set) {
        case AppSet::DockAndOpen:
            return QStringLiteral("dockAndOpen");
        case AppSet::PinnedAndOpen:
            return QStringLiteral("pinnedAndOpen");
        case AppSet::OpenOnly:
            return QStringLiteral("openOnly");
    }
    return {};
}

std::optional<AppSet> appSetFromRaw(const QString& raw) {
    for (auto set : allAppSets) {
        if (rawValue(set) == raw)
            return set;
    }
    return std::nullopt;
}

QString title(AppSet set, const Vocabulary& vocabulary) {
    switch (set) {
        case AppSet::DockAndOpen: {
            QString dock = vocabulary.dock();
            if (!dock.isEmpty())
                dock[0] = dock[0].toUpper();
            return dock + QStringLiteral(" apps and open apps");
        }
        case AppSet::PinnedAndOpen:
            return Brand::name() + QStringLiteral("'s pinned apps and open apps");
        case AppSet::OpenOnly:
            return QStringLiteral("Open apps only");
    }
    return {};
}

QString detail(AppSet set, const Vocabulary& vocabulary) {
    switch (set) {
        case AppSet::DockAndOpen:
            return QStringLiteral("Everything in your ") + vocabulary.dock() +
                   QStringLiteral(
                       ", open or not, plus any other open apps, so each app keeps its place. A "
                       "dot marks the ones that are open; picking one that isn't launches it.");
        case AppSet::PinnedAndOpen:
            return QStringLiteral(
                       "Your own list of apps and folders, open or not, plus any other open apps. "
                       "Edit it below, or right-click an app on the ring. Use this when the ") +
                   vocabulary.dock() + QStringLiteral(" is hidden.");
        case AppSet::OpenOnly:
            return QStringLiteral(
                "Only apps that are running. The ring reshuffles as apps open and quit.");
    }
    return {};
}

}  // namespace tandri
