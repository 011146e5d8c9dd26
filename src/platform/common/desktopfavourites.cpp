// SPDX-License-Identifier: MIT
#include "platform/common/desktopfavourites.h"

#include <QFileInfo>
#include <QUrl>
#include <algorithm>

#include "platform/common/gsettingsvalues.h"
#include "platform/common/kdeconfig.h"
#include "platform/common/regularfile.h"
#include "platform/common/xdgdirs.h"
#include "platform/common/xdgmimeapps.h"
#include "platform/common/xfconfchannel.h"

namespace tandri::DesktopFavourites {

namespace {

const QString entrySuffix = QStringLiteral(".desktop");

// A desktop entry named by URL ("file:///usr/share/applications/x.desktop") or path.
std::optional<QString> entryPath(const QString& reference) {
    const QString path =
        reference.startsWith(QStringLiteral("file:")) ? QUrl(reference).toLocalFile() : reference;
    if (!path.startsWith(u'/') || !path.endsWith(entrySuffix))
        return std::nullopt;
    return path;
}

std::optional<QString> withSuffix(const std::optional<QString>& id) {
    if (!id || id->isEmpty())
        return std::nullopt;
    return id->endsWith(entrySuffix) ? *id : *id + entrySuffix;
}

// Plasma's launcher URLs: "applications:org.kde.dolphin.desktop", "file:///…/x.desktop",
// "preferred://browser".
std::optional<QString> plasmaLauncher(
    const QString& launcher,
    const std::function<std::optional<QString>(const QString&)>& defaultApplication) {
    if (launcher.startsWith(QStringLiteral("applications:")))
        return withSuffix(launcher.mid(13));
    if (launcher == u"preferred://filemanager")
        return withSuffix(defaultApplication(QStringLiteral("inode/directory")));
    if (launcher == u"preferred://browser") {
        if (auto browser = defaultApplication(QStringLiteral("x-scheme-handler/https")))
            return withSuffix(browser);
        return withSuffix(defaultApplication(QStringLiteral("x-scheme-handler/http")));
    }
    return entryPath(launcher);
}

bool isTaskManager(const QString& plugin) {
    return plugin == u"org.kde.plasma.taskmanager" || plugin == u"org.kde.plasma.icontasks";
}

// Plasma numbers containments and applets; the file's order of groups is no order of panels.
bool numericallyBefore(const QStringList& a, const QStringList& b) {
    for (qsizetype i = 0; i < std::min(a.size(), b.size()); ++i) {
        bool aNumber = false;
        bool bNumber = false;
        const qlonglong x = a[i].toLongLong(&aNumber);
        const qlonglong y = b[i].toLongLong(&bNumber);
        if (aNumber && bNumber && x != y)
            return x < y;
        if (a[i] != b[i])
            return a[i] < b[i];
    }
    return a.size() < b.size();
}

// A file in KDE's format (a Plasma file, a desktop entry); absent when it cannot be read.
std::optional<KdeConfig> readConfig(const QString& path) {
    const RegularFile file = RegularFile::readOrWarn(path, RegularFile::textLimit);
    if (!file.ok())
        return std::nullopt;
    return KdeConfig::parse(file.bytes);
}

// The installed entry an Xfce launcher's copy came from, else the copy itself.
QString xfceSource(const QString& copy) {
    if (const auto entry = readConfig(copy)) {
        const auto source = entry->value(u"Desktop Entry", u"X-XFCE-Source");
        if (const auto path = source ? entryPath(*source) : std::nullopt;
            path && QFileInfo(*path).isFile())
            return *path;
    }
    return copy;
}

enum class Kind { GnomeShell, Unity, Plasma, Xfce };

struct Desktop {
    const char16_t* name;
    Kind kind;
    const char16_t* place;
};

// Ubuntu's dock shows GNOME's favourites under its own name.
constexpr Desktop desktops[] = {
    {u"ubuntu", Kind::GnomeShell, u"Dock"},
    {u"GNOME", Kind::GnomeShell, u"Dash"},
    {u"GNOME-Classic", Kind::GnomeShell, u"Dash"},
    {u"pop", Kind::GnomeShell, u"Dock"},
    {u"Unity", Kind::Unity, u"Launcher"},
    {u"KDE", Kind::Plasma, u"panel"},
    {u"XFCE", Kind::Xfce, u"panel"},
};

const Desktop* firstKnown(const QStringList& names) {
    for (const QString& name : names) {
        for (const Desktop& desktop : desktops) {
            if (name.compare(QStringView(desktop.name), Qt::CaseInsensitive) == 0)
                return &desktop;
        }
    }
    return nullptr;
}

QStringList files(const Session& session, const QString& relative) {
    QStringList paths;
    for (const QString& folder : session.configFolders) paths << folder + u'/' + relative;
    return paths;
}

std::optional<QStringList> readKind(Kind kind, const Session& session) {
    switch (kind) {
        case Kind::GnomeShell:
            return gsettings(QStringLiteral("org.gnome.shell"), QStringLiteral("favorite-apps"));
        case Kind::Unity:
            return gsettings(QStringLiteral("com.canonical.Unity.Launcher"),
                             QStringLiteral("favorites"), QStringLiteral("application://"));
        case Kind::Plasma:
            // Plasma writes the file in the user's folder only.
            return plasma(session.configFolders.value(0) +
                              QStringLiteral("/plasma-org.kde.plasma.desktop-appletsrc"),
                          session.defaultApplication);
        case Kind::Xfce: {
            const QString channel =
                QStringLiteral("xfce4/xfconf/xfce-perchannel-xml/xfce4-panel.xml");
            for (const QString& file : files(session, channel)) {
                if (QFileInfo::exists(file))
                    return xfce(file, files(session, QStringLiteral("xfce4/panel")));
            }
            return std::nullopt;
        }
    }
    return std::nullopt;
}

}  // namespace

Session session() {
    Session session;
    session.desktops = qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(u':', Qt::SkipEmptyParts);
    session.configFolders = QStringList{XdgDirs::configHome()} + XdgDirs::configDirs();
    session.defaultApplication = [](const QString& mimeType) {
        return XdgMimeApps::defaultApplication(mimeType, XdgMimeApps::sessionFolders(),
                                               [](const QString&) { return true; });
    };
    return session;
}

std::optional<QString> place(const QStringList& desktops) {
    if (const Desktop* desktop = firstKnown(desktops))
        return QString::fromUtf16(desktop->place);
    return std::nullopt;
}

std::optional<List> read(const Session& session) {
    const Desktop* desktop = firstKnown(session.desktops);
    if (!desktop)
        return std::nullopt;
    return List{QString::fromUtf16(desktop->place),
                readKind(desktop->kind, session).value_or(QStringList())};
}

std::optional<QStringList> gsettings(const QString& schema, const QString& key,
                                     const QString& prefix) {
    auto ids = GSettingsValues::strings(schema, key);
    if (!ids)
        return std::nullopt;
    QStringList apps;
    for (QString id : *ids) {
        if (!prefix.isEmpty() && id.startsWith(prefix))
            id.remove(0, prefix.size());
        if (id.endsWith(entrySuffix))
            apps << id;
    }
    return apps;
}

std::optional<QStringList> plasma(
    const QString& appletsFile,
    const std::function<std::optional<QString>(const QString&)>& defaultApplication) {
    const auto config = readConfig(appletsFile);
    if (!config)
        return std::nullopt;
    const QString separator = QStringLiteral("][");
    std::vector<QStringList> taskManagers;
    for (const KdeConfig::Group& group : config->groups) {
        // [Containments][N][Applets][M]
        const QStringList path = group.name.split(separator);
        const bool applet = path.size() == 4 && path[0] == u"Containments" && path[2] == u"Applets";
        const auto plugin = applet ? config->value(group.name, u"plugin") : std::nullopt;
        if (plugin && isTaskManager(*plugin) &&
            std::find(taskManagers.begin(), taskManagers.end(), path) == taskManagers.end())
            taskManagers.push_back(path);
    }
    std::sort(taskManagers.begin(), taskManagers.end(), numericallyBefore);
    QStringList apps;
    for (const QStringList& applet : taskManagers) {
        const auto launchers = config->value(
            applet.join(separator) + QStringLiteral("][Configuration][General"), u"launchers");
        if (!launchers)
            continue;
        for (const QString& launcher : launchers->split(u',', Qt::SkipEmptyParts)) {
            const auto app = plasmaLauncher(launcher.trimmed(), defaultApplication);
            if (app && !apps.contains(*app))
                apps << *app;
        }
    }
    return apps;
}

std::optional<QStringList> xfce(const QString& channelFile, const QStringList& panelFolders) {
    const auto properties = XfconfChannel::read(channelFile);
    if (!properties)
        return std::nullopt;
    QStringList apps;
    const auto* panels = XfconfChannel::find(*properties, {QStringLiteral("panels")});
    if (!panels)
        return apps;
    for (const QString& panel : panels->values) {
        const auto* plugins = XfconfChannel::find(
            *properties, {QStringLiteral("panels"), QStringLiteral("panel-") + panel,
                          QStringLiteral("plugin-ids")});
        if (!plugins)
            continue;
        for (const QString& id : plugins->values) {
            const QString plugin = QStringLiteral("plugin-") + id;
            const auto* kind =
                XfconfChannel::find(*properties, {QStringLiteral("plugins"), plugin});
            if (!kind || kind->value != u"launcher")
                continue;
            const auto* items = XfconfChannel::find(
                *properties, {QStringLiteral("plugins"), plugin, QStringLiteral("items")});
            if (!items)
                continue;
            for (const QString& item : items->values) {
                // An item is a file name in the launcher's own folder, or an absolute path.
                QString copy = item.startsWith(u'/') ? item : QString();
                for (const QString& folder : panelFolders) {
                    if (!copy.isEmpty())
                        break;
                    const QString candidate =
                        folder + QStringLiteral("/launcher-") + id + u'/' + item;
                    if (QFileInfo(candidate).isFile())
                        copy = candidate;
                }
                if (copy.isEmpty() || !copy.endsWith(entrySuffix))
                    continue;
                const QString app = xfceSource(copy);
                if (!apps.contains(app))
                    apps << app;
            }
        }
    }
    return apps;
}

}  // namespace tandri::DesktopFavourites
