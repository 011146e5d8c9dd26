// SPDX-License-Identifier: MIT
#include "platform/common/drawnicons.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "support/pixelcount.h"

namespace tandri {
namespace {

using test::countPixels;

bool isWhitish(QColor c) {
    return c.alpha() == 255 && c.red() > 220 && c.green() > 220 && c.blue() > 220;
}

TEST(DrawnIcons, DrawnAppIconsShowTheInitialOnTheNamesOwnColour) {
    const QImage icon = DrawnIcons::drawAppIcon("mail");
    ASSERT_EQ(icon.size(), QSize(128, 128));
    // Rounded: the corners stay transparent.
    EXPECT_EQ(icon.pixelColor(1, 1).alpha(), 0);
    EXPECT_EQ(icon.pixelColor(126, 126).alpha(), 0);
    // The body near its edge has the name's colour.
    const QColor colour = DrawnIcons::colourFor("mail");
    const QColor edge = icon.pixelColor(64, 14);
    EXPECT_NEAR(edge.hsvHue(), colour.hsvHue(), 12);
    // The initial is drawn in white over a good part of the middle, and is not all of it.
    const int white = countPixels(icon, isWhitish, QRect(24, 24, 80, 80));
    EXPECT_GT(white, 300);
    EXPECT_LT(white, 80 * 80 / 2);
    // Dark enough behind it for white text to read.
    EXPECT_LT(colour.lightnessF(), 0.6);
    // The same name, the same colour and icon; another name, others.
    EXPECT_EQ(DrawnIcons::colourFor("Notes"), DrawnIcons::colourFor("Notes"));
    EXPECT_NE(DrawnIcons::colourFor("Notes"), DrawnIcons::colourFor("Mail"));
    EXPECT_NE(DrawnIcons::drawAppIcon("Notes"), DrawnIcons::drawAppIcon("Mail"));
    EXPECT_EQ(DrawnIcons::drawAppIcon("Notes"), DrawnIcons::drawAppIcon("Notes"));
    // A name without a letter still gets a mark.
    const QImage unnamed = DrawnIcons::drawAppIcon("");
    EXPECT_GT(countPixels(unnamed, isWhitish, QRect(24, 24, 80, 80)), 100);
}

TEST(DrawnIcons, PlaceIconsAreDrawnAndNotBlank) {
    DrawnIcons icons;
    for (const QImage& icon : {icons.folderIcon(), icons.documentIcon(), icons.trashIcon()}) {
        ASSERT_EQ(icon.size(), QSize(128, 128));
        const int opaque = countPixels(icon, [](QColor c) { return c.alpha() > 200; });
        EXPECT_GT(opaque, 128 * 128 / 5);
        EXPECT_LT(opaque, 128 * 128);
    }
    EXPECT_NE(icons.folderIcon(), icons.documentIcon());
    EXPECT_NE(icons.trashIcon(), icons.documentIcon());
}

TEST(DrawnIcons, AppIconsComeFromTheirFileOrAreDrawnAndAreCached) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    QImage blue(32, 32, QImage::Format_ARGB32);
    blue.fill(Qt::blue);
    const QString file = folder.filePath("blue.png");
    ASSERT_TRUE(blue.save(file));

    DrawnIcons icons;
    const QImage loaded = icons.appIcon("Music", file);
    EXPECT_EQ(loaded.size(), QSize(32, 32));
    EXPECT_EQ(loaded.pixelColor(5, 5), QColor(Qt::blue));

    const QImage drawn = icons.appIcon("Music", folder.filePath("missing.png"));
    EXPECT_EQ(drawn, DrawnIcons::drawAppIcon("Music"));
    EXPECT_EQ(icons.appIcon("Music", std::nullopt).cacheKey(), drawn.cacheKey());
    // A file that is not a picture falls back too.
    EXPECT_EQ(icons.appIcon("Music", folder.path()), drawn);
}

}  // namespace
}  // namespace tandri
