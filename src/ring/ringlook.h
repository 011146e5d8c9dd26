// SPDX-License-Identifier: MIT
#pragma once

#include <QColor>
#include <QPainter>
#include <QPainterPath>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <memory>

#include "catalogue/ringapp.h"
#include "prefs/lookchoice.h"
#include "ring/columncolors.h"
#include "ring/lookbackdrop.h"
#include "ring/ringscene.h"

namespace tandri {

/// One visual style of the ring. Every member draws into `painter` in view coordinates (y up);
/// the painter's state is the same after the call as before it. Looks are immutable: cards
/// are drawn on another thread while the frame's thread draws the rest.
class RingLook {
public:
    struct IconScale {
        double normal = 1;
        double selected = 1;
    };

    RingLook() : serial_(nextSerial()) {}
    // A copy is another look: whatever was drawn for the original is not taken as its.
    RingLook(const RingLook&) : serial_(nextSerial()) {}
    RingLook& operator=(const RingLook&) = delete;
    virtual ~RingLook() = default;

    /// This look's number, never given to another look in this process: pictures kept for a
    /// look are kept by it, since a new look may be made where a freed one lay.
    quint64 serial() const { return serial_; }

    /// What the look wants behind the ring.
    virtual LookBackdrop backdrop() const = 0;
    /// Column connector, selected "more" chip, permission row title.
    virtual QColor accent() const = 0;
    virtual IconScale iconScale() const = 0;
    /// Running dot of overflow apps in the arc.
    virtual QColor runningColor() const = 0;
    virtual ColumnColors column() const = 0;

    /// First, before any icon: ring body and selection marker. Drawn through the paint
    /// primitives only: the frame still holds an earlier one until their first shape clears it
    /// (paint::Uncleared).
    virtual void drawBody(QPainter& painter, const RingScene& scene) const = 0;
    /// Once per ordinary entry; `rect` is already scaled by `iconScale`.
    virtual void drawIcon(QPainter& painter, const RingApp& app, const QRectF& rect, bool selected,
                          const RingScene& scene) const = 0;
    /// After the icon, for entries with a process; `front` for the frontmost app.
    virtual void drawRunning(QPainter& painter, int index, bool front,
                             const RingScene& scene) const = 0;
    /// The window-count badge at the icon's top right.
    virtual void drawBadge(QPainter& painter, const QString& text, QPointF point,
                           const RingScene& scene) const = 0;
    /// Instead of the icon, for the overflow entry.
    virtual void drawMore(QPainter& painter, int count, const QRectF& rect,
                          const RingScene& scene) const = 0;
    /// After all icons.
    virtual void drawOverlay(QPainter& painter, const RingScene& scene) const = 0;
    /// The centre label or emblem.
    virtual void drawCenter(QPainter& painter, const RingScene& scene) const = 0;
    /// Before arc chips; angles in radians; `items` when the arc shows small icons rather than
    /// thumbnail cards.
    virtual void drawArcTrack(QPainter& painter, double from, double to, bool items,
                              const RingScene& scene) const = 0;
    /// Behind the aimed small arc icon.
    virtual void drawArcSelection(QPainter& painter, const QRectF& rect,
                                  const RingScene& scene) const = 0;
    /// A thumbnail card's background; returns the clip shape for the thumbnail.
    virtual QPainterPath drawCardFrame(QPainter& painter, const QRectF& rect, bool selected,
                                       const RingScene& scene) const = 0;
    /// After the thumbnail has been drawn into the clip.
    virtual void drawCardBorder(QPainter& painter, const QPainterPath& path, bool selected,
                                const RingScene& scene) const = 0;

    /// Where the marks of aimed entry `index` lie, beyond its icon (drawn at any scale of
    /// `iconScale`) with a shadow of up to 28 points: what must be drawn again when the pointer
    /// comes to it or leaves it.
    virtual QRectF selectionArea(QPointF center, const RingLayout& layout, int index) const = 0;

private:
    static quint64 nextSerial();

    const quint64 serial_;
};

/// The look for a choice of style, backdrop, appearance and accent.
std::shared_ptr<const RingLook> makeLook(const LookChoice& choice);

}  // namespace tandri
