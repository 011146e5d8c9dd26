// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "platform/common/desktopfavourites.h"
#include "support/testfiles.h"

namespace tandri {
namespace {

using test::writeFile;

struct Home {
    QTemporaryDir root;
    QString config = root.filePath("config");
    QString system = root.filePath("etc");
    QString applications = root.filePath("share/applications");

    DesktopFavourites::Session session(const QString& desktops) const {
        return {desktops.split(u':', Qt::SkipEmptyParts),
                {config, system},
                [](const QString& type) -> std::optional<QString> {
                    if (type == u"inode/directory")
                        return QStringLiteral("org.kde.dolphin");
                    if (type == u"x-scheme-handler/http")
                        return QStringLiteral("firefox-esr");
                    return std::nullopt;
                }};
    }
    std::optional<QStringList> apps(const QString& desktops) const {
        const auto list = DesktopFavourites::read(session(desktops));
        return list ? std::optional(list->apps) : std::nullopt;
    }
};

TEST(DesktopFavourites, PlasmaTaskManagersPanelByPanelWithPreferredAppsResolved) {
    Home home;
    // Containment 10 follows 2 although the file lists it first; the system tray and the
    // desktop's folder view have launchers-like keys that are not launchers.
    writeFile(home.config + "/plasma-org.kde.plasma.desktop-appletsrc", R"(
[Containments][10][Applets][31]
plugin=org.kde.plasma.taskmanager

[Containments][10][Applets][31][Configuration][General]
launchers=applications:org.kde.konsole.desktop,applications:org.kde.dolphin.desktop

[Containments][2][Applets][5]
immutability=1
plugin=org.kde.plasma.icontasks

[Containments][2][Applets][5][Configuration][General]
launchers=preferred://filemanager,preferred://browser,file:///opt/app/x.desktop,applications:kate,preferred://mail,https://example.org

[Containments][2][Applets][6]
plugin=org.kde.plasma.folder

[Containments][2][Applets][6][Configuration][General]
launchers=applications:not-a-taskmanager.desktop
)");
    EXPECT_EQ(home.apps("KDE"),
              (QStringList{"org.kde.dolphin.desktop", "firefox-esr.desktop", "/opt/app/x.desktop",
                           "kate.desktop", "org.kde.konsole.desktop"}));
    EXPECT_EQ(DesktopFavourites::read(home.session("KDE"))->place, "panel");
}

TEST(DesktopFavourites, XfceLaunchersAreTheEntriesTheirCopiesCameFrom) {
    Home home;
    const QString channel = "/xfce4/xfconf/xfce-perchannel-xml/xfce4-panel.xml";
    writeFile(home.applications + "/xfce4-terminal.desktop", "[Desktop Entry]\nType=Application\n");
    // Panel 2 is listed first, so its launchers lead; plugin 7 is a launcher on no panel.
    writeFile(home.config + channel, R"(<?xml version="1.0" encoding="UTF-8"?>
<channel name="xfce4-panel" version="1.0">
  <property name="panels" type="array">
    <value type="int" value="2"/>
    <value type="int" value="1"/>
    <property name="panel-1" type="empty">
      <property name="plugin-ids" type="array"><value type="int" value="1"/></property>
    </property>
    <property name="panel-2" type="empty">
      <property name="plugin-ids" type="array">
        <value type="int" value="3"/><value type="int" value="4"/><value type="int" value="5"/>
      </property>
    </property>
  </property>
  <property name="plugins" type="empty">
    <property name="plugin-1" type="string" value="launcher">
      <property name="items" type="array"><value type="string" value="16.desktop"/></property>
    </property>
    <property name="plugin-3" type="string" value="launcher">
      <property name="items" type="array">
        <value type="string" value="11.desktop"/><value type="string" value="missing.desktop"/>
      </property>
    </property>
    <property name="plugin-4" type="string" value="separator"/>
    <property name="plugin-5" type="string" value="launcher">
      <property name="items" type="array"><value type="string" value="12.desktop"/></property>
    </property>
    <property name="plugin-7" type="string" value="launcher">
      <property name="items" type="array"><value type="string" value="17.desktop"/></property>
    </property>
  </property>
</channel>
)");
    writeFile(home.config + "/xfce4/panel/launcher-3/11.desktop",
              ("[Desktop Entry]\nName=Terminal\nX-XFCE-Source=file://" + home.applications +
               "/xfce4-terminal.desktop\n")
                  .toUtf8());
    // A copy whose source is gone, and one the user made, stand for themselves.
    writeFile(home.config + "/xfce4/panel/launcher-5/12.desktop",
              "[Desktop Entry]\nX-XFCE-Source=file:///usr/share/applications/gone.desktop\n");
    // The system's default panel's launchers live beside its channel.
    writeFile(home.system + "/xfce4/panel/launcher-1/16.desktop", "[Desktop Entry]\n");
    writeFile(home.config + "/xfce4/panel/launcher-7/17.desktop", "[Desktop Entry]\n");
    EXPECT_EQ(home.apps("XFCE"), (QStringList{home.applications + "/xfce4-terminal.desktop",
                                              home.config + "/xfce4/panel/launcher-5/12.desktop",
                                              home.system + "/xfce4/panel/launcher-1/16.desktop"}));

    // A channel that is not well-formed lists nothing, and it is not the system's that is read
    // instead: that would show launchers the user removed.
    writeFile(
        home.system + channel,
        R"(<channel name="xfce4-panel"><property name="panels" type="array"><value type="int" value="1"/></property></channel>)");
    writeFile(home.config + channel, "<channel name=\"xfce4-panel\"><property");
    EXPECT_EQ(home.apps("XFCE"), QStringList());
}

TEST(DesktopFavourites, TheFirstKnownDesktopDecidesAndUnknownOnesKeepNone) {
    Home home;
    writeFile(home.config + "/plasma-org.kde.plasma.desktop-appletsrc",
              "[Containments][1][Applets][2]\nplugin=org.kde.plasma.taskmanager\n"
              "[Containments][1][Applets][2][Configuration][General]\n"
              "launchers=applications:org.kde.dolphin.desktop\n");
    const struct {
        const char* desktops;
        std::optional<QString> place;
        std::optional<QStringList> apps;
    } cases[] = {
        {"openbox", std::nullopt, std::nullopt},
        {"", std::nullopt, std::nullopt},
        {"X-Generic:kde", "panel", QStringList{"org.kde.dolphin.desktop"}},
        // Xfce first: its channel is missing, so it has none, not KDE's.
        {"XFCE:KDE", "panel", QStringList()},
        {"ubuntu:GNOME", "Dock", std::nullopt},
        {"GNOME", "Dash", std::nullopt},
    };
    for (const auto& c : cases) {
        const QStringList desktops = QString(c.desktops).split(u':', Qt::SkipEmptyParts);
        EXPECT_EQ(DesktopFavourites::place(desktops), c.place) << c.desktops;
        const auto list = DesktopFavourites::read(home.session(c.desktops));
        EXPECT_EQ(list.has_value(), c.place.has_value()) << c.desktops;
        // GNOME's favourites come from GSettings, tested with its schemas installed.
        if (list && c.apps) {
            EXPECT_EQ(list->apps, *c.apps) << c.desktops;
        }
    }
}

}  // namespace
}  // namespace tandri
