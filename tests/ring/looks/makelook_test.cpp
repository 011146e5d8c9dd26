// SPDX-License-Identifier: MIT
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

// Whether `look` is a `Look`, a light one where looks tell.
template <typename Look>
bool isLightLook(const std::shared_ptr<const RingLook>& look) {
    const auto typed = std::dynamic_pointer_cast<const Look>(look);
    if constexpr (requires { typed->dark(); })
        return typed && !typed->dark();
    else
        return typed != nullptr;
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
        bool (*is)(const std::shared_ptr<const RingLook>&);
    };
    for (const Case& c :
         {Case{RingStyle::Glass, RingBackground::None, band, isLightLook<GlassLook>},
          Case{RingStyle::Outline, RingBackground::Disc, none, isLightLook<OutlineLook>},
          Case{RingStyle::Orbit, RingBackground::Disc, veil, isLightLook<OrbitLook>},
          Case{RingStyle::Quib, RingBackground::Disc, disc, isLightLook<QuibLook>},
          Case{RingStyle::Quib, RingBackground::Veil, veil, isLightLook<QuibLook>},
          Case{RingStyle::Quib, RingBackground::None, none, isLightLook<QuibLook>},
          Case{RingStyle::Aura, RingBackground::Disc, disc, isLightLook<AuraLook>},
          Case{RingStyle::Aura, RingBackground::Veil, veil, isLightLook<AuraLook>},
          Case{RingStyle::Aura, RingBackground::None, none, isLightLook<AuraLook>}}) {
        SCOPED_TRACE(rawValue(c.style).toStdString() + " " + rawValue(c.background).toStdString());
        const auto look = makeLook(LookChoice{c.style, c.background, false});
        if (c.backdrop.shape == Shape::None)
            EXPECT_EQ(look->backdrop().shape, Shape::None);
        else
            EXPECT_EQ(look->backdrop(), c.backdrop);
        EXPECT_TRUE(c.is(look));
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
