// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include "platform/common/xdgmimeapps.h"
#include "support/testfiles.h"

namespace tandri {
namespace {

const QString folderType = QStringLiteral("inode/directory");

struct Session {
    QTemporaryDir root;
    XdgMimeApps::Folders folders{root.filePath("config"),
                                 {root.filePath("etc")},
                                 root.filePath("data"),
                                 {root.filePath("usr")},
                                 {"kde"}};
    QStringList installed{"org.kde.dolphin", "nemo", "org.gnome.Nautilus", "pcmanfm"};

    void write(const QString& path, const QByteArray& text) {
        test::writeFile(root.filePath(path), text);
    }
    std::optional<QString> fileManager() {
        return XdgMimeApps::defaultApplication(
            folderType, folders, [&](const QString& id) { return installed.contains(id); });
    }
};

QByteArray defaults(const char* ids) {
    return QByteArray("[Default Applications]\ninode/directory=") + ids + "\n";
}

TEST(XdgMimeApps, TheMostImportantListWithAnInstalledAppDecides) {
    const struct {
        const char* why;
        std::vector<std::pair<const char*, QByteArray>> files;
        std::optional<QString> expected;
    } cases[] = {
        {"no list at all", {}, std::nullopt},
        {"the system's list",
         {{"usr/applications/mimeapps.list", defaults("nemo.desktop")}},
         "nemo"},
        {"the user's over the system's",
         {{"usr/applications/mimeapps.list", defaults("nemo.desktop")},
          {"config/mimeapps.list", defaults("org.gnome.Nautilus.desktop")}},
         "org.gnome.Nautilus"},
        {"the desktop's own list over the generic one",
         {{"config/mimeapps.list", defaults("nemo.desktop")},
          {"config/kde-mimeapps.list", defaults("org.kde.dolphin.desktop")}},
         "org.kde.dolphin"},
        {"the first installed of a list",
         {{"config/mimeapps.list", defaults("gone.desktop;pcmanfm.desktop;nemo.desktop;")}},
         "pcmanfm"},
        {"a list naming only missing apps gives way to the next",
         {{"config/mimeapps.list", defaults("gone.desktop")},
          {"etc/mimeapps.list", defaults("nemo.desktop")}},
         "nemo"},
        {"other groups and types do not count",
         {{"config/mimeapps.list",
           "[Added Associations]\ninode/directory=nemo.desktop\n[Default Applications]\n"
           "text/plain=pcmanfm.desktop\n"}},
         std::nullopt},
        {"the older defaults.list last",
         {{"usr/applications/defaults.list", defaults("pcmanfm.desktop")}},
         "pcmanfm"},
        {"spaces and a missing suffix are forgiven",
         {{"config/mimeapps.list", "[Default Applications]\n inode/directory = nemo ; \n"}},
         "nemo"},
        {"malformed bytes and lines are skipped",
         {{"config/mimeapps.list",
           QByteArray("\xff\xfe\x00garbage\n=\n[Default Applications\n", 30)},
          {"etc/mimeapps.list", defaults("nemo.desktop")}},
         "nemo"},
    };
    for (const auto& c : cases) {
        Session session;
        for (const auto& [path, text] : c.files) session.write(path, text);
        EXPECT_EQ(session.fileManager(), c.expected) << c.why;
    }
}

TEST(XdgMimeApps, AFolderOrPipeInPlaceOfAListIsSkipped) {
    Session session;
    QDir().mkpath(session.root.filePath("config/mimeapps.list"));
    session.write("etc/mimeapps.list", defaults("nemo.desktop"));
    EXPECT_EQ(session.fileManager(), "nemo");
}

}  // namespace
}  // namespace tandri
