#include <gtest/gtest.h>

#include "ring/looks/auralook.h"
#include "ring/looks/glasslook.h"
#include "ring/looks/orbitlook.h"
#include "ring/looks/outlinelook.h"
#include "ring/looks/quiblook.h"
#include "ring/ringlook.h"

namespace tandri {
namespace {

TEST(MakeLook, EachStyleGetsItsLookWithTheChoicesItUses) {
    LookChoice choice;
    choice.accent = QColor(255, 149, 0);
    choice.dark = false;

    choice.style = RingStyle::Glass;
    const auto glass = std::dynamic_pointer_cast<const GlassLook>(makeLook(choice));
    ASSERT_TRUE(glass);
    EXPECT_FALSE(glass->dark());
    EXPECT_EQ(glass->accent(), choice.accent);

    choice.style = RingStyle::Outline;
    const auto outline = std::dynamic_pointer_cast<const OutlineLook>(makeLook(choice));
    ASSERT_TRUE(outline);
    EXPECT_FALSE(outline->dark());
    EXPECT_EQ(outline->accent(), choice.accent);

    choice.style = RingStyle::Orbit;
    const auto orbit = std::dynamic_pointer_cast<const OrbitLook>(makeLook(choice));
    ASSERT_TRUE(orbit);
    EXPECT_FALSE(orbit->dark());

    choice.style = RingStyle::Quib;
    choice.background = RingBackground::None;
    EXPECT_TRUE(std::dynamic_pointer_cast<const QuibLook>(makeLook(choice)));
    EXPECT_EQ(makeLook(choice)->backdrop().shape, LookBackdrop::Shape::None);

    choice.style = RingStyle::Aura;
    choice.background = RingBackground::Veil;
    EXPECT_TRUE(std::dynamic_pointer_cast<const AuraLook>(makeLook(choice)));
    EXPECT_EQ(makeLook(choice)->backdrop(),
              (LookBackdrop{LookBackdrop::Shape::Veil, BlurMaterial::Popover}));
}

TEST(MakeLook, BackdropsOfTheFixedLooks) {
    LookChoice choice;
    choice.background = RingBackground::Disc;  // ignored by these looks
    choice.style = RingStyle::Glass;
    EXPECT_EQ(makeLook(choice)->backdrop(),
              (LookBackdrop{LookBackdrop::Shape::Band, BlurMaterial::Popover}));
    choice.style = RingStyle::Outline;
    EXPECT_EQ(makeLook(choice)->backdrop().shape, LookBackdrop::Shape::None);
    choice.style = RingStyle::Orbit;
    EXPECT_EQ(makeLook(choice)->backdrop(),
              (LookBackdrop{LookBackdrop::Shape::Veil, BlurMaterial::Popover}));
}

TEST(MakeLook, StandardBackgroundIsVeilForAuraOnly) {
    for (RingStyle style : allRingStyles) {
        EXPECT_EQ(standardBackground(style),
                  style == RingStyle::Aura ? RingBackground::Veil : RingBackground::Disc)
            << rawValue(style).toStdString();
    }
}

}  // namespace
}  // namespace tandri
