// SPDX-License-Identifier: MIT
#include "platform/common/traystatusitems.h"

#include <gtest/gtest.h>

#include <QPainter>
#include <cmath>

#include "platform/sim/virtualclock.h"
#include "prefs/brand.h"
#include "support/pixelcount.h"

namespace tandri {
namespace {

double luminance(QRgb rgb) {
    const auto linear = [](int channel) {
        const double c = channel / 255.0;
        return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(qRed(rgb)) + 0.7152 * linear(qGreen(rgb)) + 0.0722 * linear(qBlue(rgb));
}

double contrast(QRgb a, QRgb b) {
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// How many pixels of the icon, laid on a panel of this colour, stand out from it as a control's
// picture must (a contrast of 3).
int legiblePixels(const QImage& icon, QColor panel) {
    QImage shown(icon.size(), QImage::Format_RGB32);
    shown.fill(panel);
    QPainter(&shown).drawImage(QRect(QPoint(), icon.size()), icon);
    return test::countPixels(shown, [&](QColor c) { return contrast(c.rgb(), panel.rgb()) >= 3; });
}

// The mean lightness of the icon's solid pixels: its glyph's colour, leaving out the thin edge.
int glyphLightness(const QImage& icon) {
    long sum = 0;
    const int count = test::countPixels(icon, [&](QColor c) {
        sum += c.alpha() == 255 ? c.lightness() : 0;
        return c.alpha() == 255;
    });
    return count ? int(sum / count) : -1;
}

TEST(TrayStatusItems, TheGlyphIsLegibleOnWhiteAndOnBlackPanels) {
    for (const double scale : {1.0, 2.0}) {
        const QImage glyph = Brand::menuBarImage(scale);
        const int solid = test::countPixels(glyph, [](QColor c) { return c.alpha() > 128; });
        ASSERT_GT(solid, 10);
        for (const bool dark : {false, true}) {
            const QImage icon = TrayStatusItems::tinted(glyph, dark);
            EXPECT_EQ(icon.devicePixelRatio(), scale);
            // Whichever the tray turns out to be, the icon stands out from it...
            for (const QColor panel : {QColor(Qt::white), QColor(Qt::black)}) {
                EXPECT_GE(legiblePixels(icon, panel), solid * 3 / 4)
                    << "scale " << scale << (dark ? " dark" : " light") << " on "
                    << panel.name().toStdString();
            }
            // ...and the glyph itself is drawn for the tray it was told of.
            EXPECT_EQ(glyphLightness(icon) > 128, dark) << scale;
        }
    }
}

TEST(TrayStatusItems, DrawnAgainWhenTheAppearanceChanges) {
    sim::VirtualClock clock;
    bool dark = false;
    int asked = 0;
    TrayStatusItems tray(clock, [&] {
        ++asked;
        return dark;
    });
    auto made = tray.create(Brand::menuBarImage(), "Tandri", std::make_shared<Menu>());
    auto* item = dynamic_cast<TrayStatusItems::Item*>(made.get());
    ASSERT_NE(item, nullptr);
    const auto shown = [item] {
        const QIcon icon = item->icon();
        return icon.pixmap(icon.availableSizes().value(0)).toImage();
    };
    EXPECT_LT(glyphLightness(shown()), 128);
    dark = true;
    clock.advance(TrayStatusItems::appearanceCheck * 0.9);
    EXPECT_LT(glyphLightness(shown()), 128);
    clock.advance(TrayStatusItems::appearanceCheck * 0.2);
    EXPECT_GT(glyphLightness(shown()), 128);
    // A look at a low rate, not a busy one.
    asked = 0;
    clock.advance(60);
    EXPECT_EQ(asked, int(60 / TrayStatusItems::appearanceCheck));
    dark = false;
    clock.advance(TrayStatusItems::appearanceCheck);
    EXPECT_LT(glyphLightness(shown()), 128);
    made.reset();
    EXPECT_EQ(clock.pendingTimers(), 0);
}

}  // namespace
}  // namespace tandri
