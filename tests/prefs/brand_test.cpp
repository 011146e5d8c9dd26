// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "prefs/brand.h"

namespace tandri {
namespace {

// Opacity of the icon at point (x, y) in points, y up from the bottom-left.
int alphaAt(const QImage& image, double x, double y) {
    const double s = image.devicePixelRatio();
    return qAlpha(image.pixel(static_cast<int>(x * s), static_cast<int>((18 - y) * s)));
}

TEST(Brand, MenuBarIconIsAnOpenRingWithItsDots) {
    const QImage icon = Brand::menuBarImage(4);
    ASSERT_EQ(icon.size(), QSize(72, 72));
    const QPointF c(9, 9);
    const auto on = [&](double degrees, double r) {
        const double a = degrees * std::numbers::pi / 180;
        return alphaAt(icon, c.x() + r * std::cos(a), c.y() + r * std::sin(a));
    };
    // The ring is drawn all round except in the gap around 45°, where its dot sits instead.
    for (double degrees : {90.0, 180.0, 270.0, 0.0, 10.0})
        EXPECT_GT(on(degrees, 6.3), 200) << degrees;
    EXPECT_GT(on(45, 6.3), 200);  // the dot in the gap
    // Between the ring's rounded ends (14.4° and 75.6°) and the dot the ring is open.
    EXPECT_LT(on(25, 6.3), 80);
    EXPECT_LT(on(65, 6.3), 80);
    EXPECT_GT(alphaAt(icon, 9, 9), 200);  // the centre dot
    EXPECT_LT(on(0, 3.5), 10);            // empty between the centre and the ring
    // A template image: black only.
    EXPECT_EQ(qRed(icon.pixel(36, 36)), 0);
}

}  // namespace
}  // namespace tandri
