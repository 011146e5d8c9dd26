// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include "platform/common/xdguserdirs.h"
#include "support/testfiles.h"

namespace tandri {
namespace {

TEST(XdgUserDirs, TheRecordedFolderElseTheStandardOneWhenItExists) {
    const struct {
        const char* why;
        std::optional<QByteArray> file;
        bool standardExists;
        std::optional<QString> expected;  // relative to the home folder; "" is the home itself
    } cases[] = {
        {"recorded under $HOME", "XDG_DOWNLOAD_DIR=\"$HOME/Téléchargements\"\n", false,
         "/Téléchargements"},
        {"recorded as an absolute path", "# comment\nXDG_DOWNLOAD_DIR=\"/srv/dl/\"\n", false,
         "!/srv/dl"},
        {"the home folder itself turns it off", "XDG_DOWNLOAD_DIR=\"$HOME/\"\n", true,
         std::nullopt},
        {"no record: the standard folder", "XDG_DESKTOP_DIR=\"$HOME/Desktop\"\n", true,
         "/Downloads"},
        {"no record and no standard folder", "XDG_DESKTOP_DIR=\"$HOME/Desktop\"\n", false,
         std::nullopt},
        {"no file", std::nullopt, true, "/Downloads"},
        {"unquoted values are not trusted", "XDG_DOWNLOAD_DIR=$HOME/x\n", false, std::nullopt},
        {"other variables are not expanded", "XDG_DOWNLOAD_DIR=\"$USER/x\"\n", false, std::nullopt},
        {"malformed bytes", QByteArray("\xff\x00XDG_DOWNLOAD_DIR=\"", 20), false, std::nullopt},
    };
    for (const auto& c : cases) {
        QTemporaryDir root;
        const QString home = root.filePath("home");
        const QString config = root.filePath("config");
        QDir().mkpath(config);
        if (c.standardExists)
            QDir().mkpath(home + "/Downloads");
        if (c.file)
            test::writeFile(config + "/user-dirs.dirs", *c.file);
        std::optional<QString> expected = c.expected;
        if (expected)
            expected = expected->startsWith(u'!') ? expected->mid(1) : home + *expected;
        EXPECT_EQ(XdgUserDirs::folder("DOWNLOAD", "Downloads", config, home), expected) << c.why;
    }
}

}  // namespace
}  // namespace tandri
