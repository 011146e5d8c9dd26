// SPDX-License-Identifier: MIT
#pragma once

#include <QColor>
#include <QString>
#include <functional>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/common/kdeconfig.h"

namespace tandri {

/// The Linux desktop's dark appearance and accent colour, from the desktop that runs
/// (`XDG_CURRENT_DESKTOP`): GNOME and its relatives through GSettings, KDE Plasma from
/// `kdeglobals`; elsewhere the fallback says whether it is dark, and there is no accent.
/// Every reading asks afresh, so a change made while the program runs counts at the next one;
/// `kdeglobals` is parsed again only when it changed on disk. A missing or broken source gives
/// the fallback and one line on stderr per distinct problem. Any thread.
class DesktopAppearance {
public:
    struct Reading {
        bool dark = false;
        std::optional<QColor> accent;
        bool operator==(const Reading&) const = default;
    };

    /// Whether Qt's palette is dark: what the desktop says where nothing else does.
    static bool paletteDark();

    /// `fallbackDark` answers where the desktop says nothing.
    explicit DesktopAppearance(std::function<bool()> fallbackDark = paletteDark);

    Reading read() const;

    /// The colour GNOME's own style gives one of its accent names ("blue", "teal", ...).
    static std::optional<QColor> gnomeAccent(const QString& name);
    /// A colour as KDE writes it: "r,g,b" or "r,g,b,a" from 0 to 255, or "#rrggbb".
    static std::optional<QColor> kdeColor(const QString& text);

private:
    struct KdeFile {
        QString path;
        // What the file was when it was parsed: absent, or its inode, size and change time.
        bool exists = false;
        quint64 inode = 0;
        qint64 size = 0;
        qint64 modified = 0;
        KdeConfig config;
    };

    Reading gnome(const QStringList& desktops) const;
    Reading kde() const;
    // The value of the first kdeglobals, the user's first, that has the key, and that file.
    std::optional<std::pair<QString, QString>> kdeValue(const QString& group,
                                                        const QString& key) const;
    void refreshKdeFiles() const;

    std::function<bool()> fallbackDark_;
    mutable std::mutex mutex_;
    mutable std::vector<KdeFile> kdeFiles_;
};

}  // namespace tandri
