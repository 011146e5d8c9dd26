// SPDX-License-Identifier: MIT
#pragma once

#include "prefs/ringbackground.h"

namespace tandri {

/// How strongly a backdrop blurs and tints what lies behind the ring.
enum class BlurMaterial { Popover, HudWindow };

/// What a look wants behind the ring.
struct LookBackdrop {
    enum class Shape {
        /// A blurred disc out to the ring's outer edge.
        Disc,
        /// A blurred lens that fades out toward its edge.
        Veil,
        /// A blurred band between the hole and the outer edge.
        Band,
        None
    };
    Shape shape = Shape::None;
    BlurMaterial material = BlurMaterial::Popover;
    bool operator==(const LookBackdrop&) const = default;

    /// What the looks that let the user choose put behind the ring for that choice.
    static LookBackdrop chosen(RingBackground background) {
        switch (background) {
            case RingBackground::Disc:
                return {Shape::Disc, BlurMaterial::HudWindow};
            case RingBackground::Veil:
                return {Shape::Veil, BlurMaterial::Popover};
            case RingBackground::None:
                break;
        }
        return {Shape::None, BlurMaterial::Popover};
    }
};

}  // namespace tandri
