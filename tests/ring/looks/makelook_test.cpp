#include <gtest/gtest.h>

#include "ring/looks/auralook.h"
#include "ring/looks/glasslook.h"
#include "ring/looks/orbitlook.h"
#include "ring/looks/outlinelook.h"
#include "ring/looks/quiblook.h"
#include "ring/ringlook.h"

namespace tandri {
namespace {

using Shape = LookBackdrop::Shape;

template <typename Look>
bool isDarkLook(const std::shared_ptr<const RingLook>& look, bool dark) {
    const auto typed = std::dynamic_pointer_cast<const Look>(look);
    return typed && typed->dark() == dark;
}

TEST(MakeLook, EachStyleGetsItsLookWithTheChoicesItUses) {
    // Glass, Outline and Orbit ignore the chosen background; Quib and Aura follow it.
    const LookBackdrop band{Shape::Band, BlurMaterial::Popover};
    const LookBackdrop veil{Shape::Veil, BlurMaterial::Popover};
    const LookBackdrop disc{Shape::Disc, BlurMaterial::HudWindow};
    const LookBackdrop none{Shape::None, BlurMaterial::HudWindow};
    struct Case {
        RingStyle style;
        RingBackground background;
        LookBackdrop backdrop;
    };
    for (const Case& c : {Case{RingStyle::Glass, RingBackground::None, band},
                          Case{RingStyle::Outline, RingBackground::Disc, none},
                          Case{RingStyle::Orbit, RingBackground::Disc, veil},
                          Case{RingStyle::Quib, RingBackground::Disc, disc},
                          Case{RingStyle::Quib, RingBackground::Veil, veil},
                          Case{RingStyle::Quib, RingBackground::None, none},
                          Case{RingStyle::Aura, RingBackground::Disc, disc},
                          Case{RingStyle::Aura, RingBackground::Veil, veil},
                          Case{RingStyle::Aura, RingBackground::None, none}}) {
        SCOPED_TRACE(rawValue(c.style).toStdString() + " " + rawValue(c.background).toStdString());
        const auto look = makeLook(LookChoice{c.style, c.background, false});
        if (c.backdrop.shape == Shape::None)
            EXPECT_EQ(look->backdrop().shape, Shape::None);
        else
            EXPECT_EQ(look->backdrop(), c.backdrop);
        switch (c.style) {
            case RingStyle::Glass:
                EXPECT_TRUE(isDarkLook<GlassLook>(look, false));
                break;
            case RingStyle::Outline:
                EXPECT_TRUE(isDarkLook<OutlineLook>(look, false));
                break;
            case RingStyle::Orbit:
                EXPECT_TRUE(isDarkLook<OrbitLook>(look, false));
                break;
            case RingStyle::Quib:
                EXPECT_TRUE(std::dynamic_pointer_cast<const QuibLook>(look));
                break;
            case RingStyle::Aura:
                EXPECT_TRUE(std::dynamic_pointer_cast<const AuraLook>(look));
                break;
        }
    }
    for (RingStyle style : allRingStyles) {
        EXPECT_EQ(standardBackground(style),
                  style == RingStyle::Aura ? RingBackground::Veil : RingBackground::Disc)
            << rawValue(style).toStdString();
    }
}

TEST(MakeLook, TheAccentLooksUseTheChosenAccentOrTheDefaultBlue) {
    for (const RingStyle style : {RingStyle::Glass, RingStyle::Outline}) {
        SCOPED_TRACE(rawValue(style).toStdString());
        const QColor orange(255, 149, 0);
        const auto look = makeLook(LookChoice{style, RingBackground::Disc, true, orange});
        EXPECT_EQ(look->accent(), orange);
        EXPECT_EQ(look->column().selectedFill, orange);
        // Without a usable system accent.
        EXPECT_EQ(makeLook(LookChoice{style, RingBackground::Disc, true, QColor()})->accent(),
                  QColor(10, 132, 255));
    }
}

}  // namespace
}  // namespace tandri
