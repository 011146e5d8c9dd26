// SPDX-License-Identifier: MIT
// The per-frame part of the ring controller: the opening fade and the rule that turns the pointer
// into a selection.
#include <cmath>

#include "platform/clock.h"
#include "platform/platform.h"
#include "ring/ringcontroller.h"
#include "ring/ringgeometry.h"
#include "windows/thumbnailsource.h"

namespace tandri {

using namespace geometry;

namespace {

constexpr double heldReach = 48;
constexpr double stickyReach = 12;

double cross(QPointF a, QPointF b) {
    return a.x() * b.y() - a.y() * b.x();
}

// Inside or on the edge of triangle abc.
bool inTriangle(QPointF p, QPointF a, QPointF b, QPointF c) {
    const double d1 = cross(b - a, p - a);
    const double d2 = cross(c - b, p - b);
    const double d3 = cross(a - c, p - c);
    const bool negative = d1 < 0 || d2 < 0 || d3 < 0;
    const bool positive = d1 > 0 || d2 > 0 || d3 > 0;
    return !(negative && positive);
}

}  // namespace

void RingController::update() {
    if (!menuOpen_)
        track();
    // Everything this frame changed is drawn once, at its end; pictures that arrive while a menu
    // is up still show.
    panel_.display();
}

void RingController::track() {
    RingView& view = panel_.ringView();
    const double now = platform_.clock.now();
    if (view.progress() < 1.0) {
        // One step ahead: the first was shown with the window.
        view.setProgress(std::min((now - openedAt_ + frameInterval) / openingDuration, 1.0));
        panel_.setBlurAlpha(view.progress());
    }
    view.advanceAnimations();
    const QPointF p = mouseLocation() - panel_.frame().topLeft();
    if (distance(p, lastPoint_) > 0.5) {
        lastPoint_ = p;
        lastMovedAt_ = now;
    }
    selectionStep(p);
}

void RingController::select(std::optional<Selection> selection) {
    selection_ = selection;
    RingView& view = panel_.ringView();
    view.setSelectedApp(selection ? std::optional<int>(selection->app) : std::nullopt);
    view.setSelectedChip(selection ? selection->chip : std::nullopt);
}

void RingController::collapse() {
    if (!expandedApp_)
        return;
    expandedApp_.reset();
    panel_.ringView().hideChips();
}

void RingController::expand(int index, std::vector<WindowChip> chips) {
    if (expandedApp_ == index)
        return;
    expandedApp_ = index;
    RingView& view = panel_.ringView();
    view.showChips(std::move(chips), index);
    if (!view.showsThumbnails || !thumbnails_)
        return;
    const auto pid = apps_[index].pid();
    const auto list = pid ? windows_.find(*pid) : windows_.end();
    if (list == windows_.end())
        return;
    std::vector<quint32> ids;
    for (const auto& window : list->second) {
        if (window.id)
            ids.push_back(*window.id);
    }
    thumbnails_->request(ids, true);
}

bool RingController::isAiming(QPointF p) const {
    // A pointer at rest is not on its way anywhere.
    if (platform_.clock.now() - lastMovedAt_ >= aimingRest)
        return false;
    for (const auto& chip : panel_.ringView().chips()) {
        const QRectF& f = chip.frame;
        if (contains(f, p))
            return true;
        // The triangles from the aim origin to every pair of corners cover the hull of both.
        const QPointF corners[4] = {
            {minX(f), minY(f)}, {maxX(f), minY(f)}, {maxX(f), maxY(f)}, {minX(f), maxY(f)}};
        for (int a = 0; a < 4; ++a) {
            for (int b = a + 1; b < 4; ++b) {
                if (inTriangle(p, aimOrigin_, corners[a], corners[b]))
                    return true;
            }
        }
    }
    return false;
}

void RingController::selectionStep(QPointF p) {
    RingView& view = panel_.ringView();
    const RingLayout& layout = view.layout;
    const QPointF d = p - view.ringCenter;
    const double dist = std::hypot(d.x(), d.y());
    const double reach = mode_ == Mode::Holding ? heldReach : stickyReach;

    if (expandedApp_) {
        const int e = *expandedApp_;
        if (const auto chip = view.chipIndex(p, reach)) {
            aimOrigin_ = p;
            select(Selection{e, chip});
            return;
        }
        if (isAiming(p)) {
            // While the pointer heads for the chips, the entry stays selected whichever sector
            // it crosses.
            if (dist > layout.outerRadius() + reach || dist < layout.holeRadius()) {
                select(std::nullopt);
            } else {
                select(Selection{e, std::nullopt});
            }
            return;
        }
    }

    if (dist > layout.outerRadius() + reach) {
        collapse();
        select(std::nullopt);
        return;
    }
    if (mode_ == Mode::Sticky) {
        if (dist < layout.holeRadius()) {
            collapse();
            select(std::nullopt);
            return;
        }
    } else {
        // A held trigger needs a flick from where the pointer was and from the ring's centre,
        // which differ when the ring was pushed away from a screen edge.
        const QPointF mouse = p + panel_.frame().topLeft();
        if (distance(mouse, startMouse_) < deadZone || dist < deadZone) {
            collapse();
            select(std::nullopt);
            return;
        }
    }

    const int i = layout.index(std::atan2(d.y(), d.x()));
    if (dist < layout.iconBandRadius()) {
        collapse();
        select(Selection{i, std::nullopt});
        return;
    }
    // The shown chips of this entry stay valid until a load collapses them, so they need not be
    // rebuilt on every frame.
    if (expandedApp_ != i) {
        auto offered = chips(i);
        if (!offered) {
            collapse();
            select(Selection{i, std::nullopt});
            return;
        }
        expand(i, std::move(*offered));
    }
    aimOrigin_ = p;
    select(Selection{i, view.chipIndex(p, reach)});
}

}  // namespace tandri
