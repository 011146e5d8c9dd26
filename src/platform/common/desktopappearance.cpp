// SPDX-License-Identifier: MIT
#include "platform/common/desktopappearance.h"

#include <sys/stat.h>
#include <QFile>
#include <QGuiApplication>
#include <QPalette>
#include <QRegularExpression>
#include <algorithm>
#include <set>

#include "platform/common/gsettingsvalues.h"
#include "platform/common/regularfile.h"
#include "platform/common/xdgmimeapps.h"

namespace tandri {

namespace {

const QString interfaceSchema = QStringLiteral("org.gnome.desktop.interface");

// Once per distinct problem: the ring reads the appearance at every opening.
void report(const QString& problem) {
    static std::mutex mutex;
    static std::set<QString> reported;
    const std::lock_guard lock(mutex);
    if (reported.insert(problem).second)
        qWarning("Tandri: %s", qUtf8Printable(problem));
}

std::optional<QString> gsettingsString(const QString& schema, const QString& key) {
    const auto values = GSettingsValues::strings(schema, key);
    if (!values || values->size() != 1)
        return std::nullopt;
    return values->front();
}

// "Adwaita-dark", "Yaru-blue-dark", "Mint-Y-Dark-Aqua"; not "Arc-Darker", whose windows are light.
bool darkThemeName(const QString& theme) {
    static const QRegularExpression parts(QStringLiteral("[-_]"));
    return theme.split(parts).contains(QStringLiteral("dark"), Qt::CaseInsensitive);
}

bool darkColor(const QColor& color) {
    return color.lightness() < 128;
}

}  // namespace

bool DesktopAppearance::paletteDark() {
    return darkColor(QGuiApplication::palette().color(QPalette::Window));
}

DesktopAppearance::DesktopAppearance(std::function<bool()> fallbackDark)
    : fallbackDark_(std::move(fallbackDark)) {}

DesktopAppearance::Reading DesktopAppearance::read() const {
    const QStringList desktops = XdgMimeApps::sessionFolders().desktops;
    // Plasma first, as its settings hold whichever window manager runs under it.
    if (desktops.contains(QStringLiteral("kde")))
        return kde();
    for (const char* relative : {"gnome", "gnome-classic", "gnome-flashback", "unity", "budgie",
                                 "x-cinnamon", "cinnamon", "mate"}) {
        if (desktops.contains(QLatin1String(relative)))
            return gnome(desktops);
    }
    return {fallbackDark_(), std::nullopt};
}

std::optional<QColor> DesktopAppearance::gnomeAccent(const QString& name) {
    // The accent colours of GNOME's style (libadwaita's AdwAccentColor).
    static const std::pair<const char*, QRgb> colours[] = {
        {"blue", 0x3584e4},   {"teal", 0x2190a4},   {"green", 0x3a944a},
        {"yellow", 0xc88800}, {"orange", 0xed5b00}, {"red", 0xe62d42},
        {"pink", 0xd56199},   {"purple", 0x9141ac}, {"slate", 0x6f8396}};
    for (const auto& [known, rgb] : colours) {
        if (name == QLatin1String(known))
            return QColor(rgb);
    }
    return std::nullopt;
}

std::optional<QColor> DesktopAppearance::kdeColor(const QString& text) {
    const QString trimmed = text.trimmed();
    if (trimmed.startsWith(u'#')) {
        const QColor color = QColor::fromString(trimmed);
        return color.isValid() ? std::optional(color) : std::nullopt;
    }
    const QStringList parts = trimmed.split(u',');
    if (parts.size() != 3 && parts.size() != 4)
        return std::nullopt;
    int channels[4] = {0, 0, 0, 255};
    for (qsizetype i = 0; i < parts.size(); ++i) {
        bool ok = false;
        channels[i] = parts[i].trimmed().toInt(&ok);
        if (!ok || channels[i] < 0 || channels[i] > 255)
            return std::nullopt;
    }
    return QColor(channels[0], channels[1], channels[2], channels[3]);
}

DesktopAppearance::Reading DesktopAppearance::gnome(const QStringList& desktops) const {
    Reading reading;
    std::optional<bool> dark;
    const std::optional<QString> scheme =
        gsettingsString(interfaceSchema, QStringLiteral("color-scheme"));
    if (scheme == QLatin1String("prefer-dark")) {
        dark = true;
    } else if (scheme == QLatin1String("prefer-light")) {
        dark = false;
    } else if (scheme && scheme != QLatin1String("default")) {
        report(QStringLiteral("unknown GNOME color-scheme '%1'; reading the theme's name instead")
                   .arg(*scheme));
    }
    // Without a preference the theme says it: older desktops and the relatives that keep their
    // own theme setting never set the colour scheme.
    if (!dark) {
        std::vector<QString> schemas;
        if (desktops.contains(QStringLiteral("x-cinnamon")) ||
            desktops.contains(QStringLiteral("cinnamon")))
            schemas.push_back(QStringLiteral("org.cinnamon.desktop.interface"));
        if (desktops.contains(QStringLiteral("mate")))
            schemas.push_back(QStringLiteral("org.mate.interface"));
        schemas.push_back(interfaceSchema);
        for (const QString& schema : schemas) {
            const auto theme = gsettingsString(schema, QStringLiteral("gtk-theme"));
            if (theme && !theme->isEmpty()) {
                dark = darkThemeName(*theme);
                break;
            }
        }
    }
    if (!dark && scheme) {
        dark = false;
    } else if (!dark) {
        report(QStringLiteral("GSettings names neither a color-scheme nor a gtk-theme in %1; "
                              "dark and light follow Qt's palette")
                   .arg(interfaceSchema));
        dark = fallbackDark_();
    }
    reading.dark = *dark;

    const std::optional<QString> accent =
        gsettingsString(interfaceSchema, QStringLiteral("accent-color"));
    if (!accent) {
        report(QStringLiteral("GSettings has no accent-color in %1 (GNOME 47 added it); the "
                              "ring keeps its own blue")
                   .arg(interfaceSchema));
    } else if (!(reading.accent = gnomeAccent(*accent))) {
        report(QStringLiteral("unknown GNOME accent-color '%1'; the ring keeps its own blue")
                   .arg(*accent));
    }
    return reading;
}

void DesktopAppearance::refreshKdeFiles() const {
    const XdgMimeApps::Folders folders = XdgMimeApps::sessionFolders();
    QStringList paths{folders.configHome + QStringLiteral("/kdeglobals")};
    for (const QString& dir : folders.configDirs) paths << dir + QStringLiteral("/kdeglobals");
    std::vector<KdeFile> files;
    for (const QString& path : paths) {
        KdeFile file;
        file.path = path;
        struct stat info {};
        if (::stat(QFile::encodeName(path).constData(), &info) == 0) {
            file.exists = true;
            file.inode = info.st_ino;
            file.size = info.st_size;
            file.modified = qint64(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec;
        }
        const auto cached = std::find_if(kdeFiles_.begin(), kdeFiles_.end(),
                                         [&](const KdeFile& old) { return old.path == path; });
        if (cached != kdeFiles_.end() && cached->exists == file.exists &&
            cached->inode == file.inode && cached->size == file.size &&
            cached->modified == file.modified) {
            files.push_back(std::move(*cached));
            continue;
        }
        if (file.exists) {
            const RegularFile contents = RegularFile::read(path, RegularFile::textLimit);
            if (contents.ok())
                file.config = KdeConfig::parse(contents.bytes);
            else
                report(QStringLiteral("skipped %1: %2").arg(path, contents.problem()));
        }
        files.push_back(std::move(file));
    }
    kdeFiles_ = std::move(files);
}

std::optional<std::pair<QString, QString>> DesktopAppearance::kdeValue(const QString& group,
                                                                       const QString& key) const {
    for (const KdeFile& file : kdeFiles_) {
        if (auto value = file.config.value(group, key))
            return std::pair(*value, file.path);
    }
    return std::nullopt;
}

DesktopAppearance::Reading DesktopAppearance::kde() const {
    const std::lock_guard lock(mutex_);
    refreshKdeFiles();
    const QString where = kdeFiles_.front().path;
    Reading reading;
    const QString window = QStringLiteral("Colors:Window");
    const QString background = QStringLiteral("BackgroundNormal");
    const auto windowColor = kdeValue(window, background);
    const std::optional<QColor> parsed = windowColor ? kdeColor(windowColor->first) : std::nullopt;
    if (parsed) {
        reading.dark = darkColor(*parsed);
    } else {
        report(windowColor ? QStringLiteral("[%1] %2=%3 in %4 is no colour; dark and light "
                                            "follow Qt's palette")
                                 .arg(window, background, windowColor->first, windowColor->second)
                           : QStringLiteral("no [%1] %2 in %3 or the system's kdeglobals; dark "
                                            "and light follow Qt's palette")
                                 .arg(window, background, where));
        reading.dark = fallbackDark_();
    }
    // The accent the user picked, else the colour scheme's own selection colour.
    const std::pair<QString, QString> sources[] = {
        {QStringLiteral("General"), QStringLiteral("AccentColor")},
        {QStringLiteral("Colors:Selection"), background}};
    bool written = false;
    for (const auto& [group, key] : sources) {
        const auto value = kdeValue(group, key);
        if (!value)
            continue;
        if ((reading.accent = kdeColor(value->first)))
            return reading;
        written = true;
        report(QStringLiteral("[%1] %2=%3 in %4 is no colour")
                   .arg(group, key, value->first, value->second));
    }
    if (!written)
        report(
            QStringLiteral("no accent colour in %1 or the system's kdeglobals; the ring keeps its "
                           "own blue")
                .arg(where));
    return reading;
}

}  // namespace tandri
