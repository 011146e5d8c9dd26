// SPDX-License-Identifier: MIT
#include "diagnostics/menuprobe.h"

#include <QSaveFile>

#include "actions/appexpose.h"
#include "actions/dockmenu.h"
#include "catalogue/appsource.h"
#include "platform/platform.h"
#include "prefs/settings.h"
#include "windows/windowsource.h"

namespace tandri::MenuProbe {

namespace {

QString marker(const MenuItem& item) {
    switch (item.state) {
        case MenuItem::State::On:
            return QStringLiteral("✓ ");
        case MenuItem::State::Mixed:
            return QStringLiteral("◆ ");
        case MenuItem::State::Off:
            break;
    }
    return item.alternate ? QStringLiteral("⌥ ") : QStringLiteral("  ");
}

QString flag(bool value) {
    return value ? QStringLiteral("true") : QStringLiteral("false");
}

}  // namespace

QStringList dump(const Menu& menu, int indent) {
    const QString blanks(indent, u' ');
    QStringList lines;
    for (const auto& item : menu.items) {
        if (item->separator) {
            lines << blanks + QStringLiteral("────");
            continue;
        }
        lines << blanks + marker(*item) + item->title +
                     (item->submenu ? QStringLiteral(" ▸") : QString());
        if (item->submenu)
            lines << dump(*item->submenu, indent + 6);
    }
    return lines;
}

QString text(Platform& platform) {
    Settings::registerDefaults(platform.preferences);
    QStringList lines;
    lines << QStringLiteral("Accessibility: ") +
                 flag(WindowSource::isTrusted(platform.accessibility));
    lines << QStringLiteral("Show All Windows available: ") +
                 flag(AppExpose::isAvailable(platform.system));
    // Nothing chosen in a dump is ever run.
    const DockMenu::Pick ignore = [](const std::function<void()>&) {
    };
    for (const RingApp& entry : AppSource::ringApps(platform, true)) {
        if (entry.kind != RingApp::Kind::App)
            continue;
        lines << QStringLiteral("== ") + entry.name +
                     (entry.isRunning() ? QString() : QStringLiteral(" (not running)"));
        lines << dump(*DockMenu::build(platform, entry, std::nullopt, ignore));
    }
    return lines.join(u'\n');
}

QString run(Platform& platform, const QString& path) {
    const QString report = text(platform);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
    }
    file.write(report.toUtf8());
    if (!file.commit())
        return QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
    return {};
}

}  // namespace tandri::MenuProbe
