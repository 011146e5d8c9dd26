#pragma once

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
};

}  // namespace tandri
