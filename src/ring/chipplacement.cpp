// SPDX-License-Identifier: MIT
// Where the chips of the aimed entry go: an arc beyond the entry or a column of rows beside the
// ring, the preview of the selected window, and which chip a point hits.

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <numeric>

#include "catalogue/appsource.h"
#include "paint/paths.h"
#include "ring/ringgeometry.h"
#include "ring/ringview.h"

namespace tandri {

using namespace geometry;

namespace {

constexpr double degree = std::numbers::pi / 180;
// Slack for rects that were shifted exactly onto an edge of the bounds.
constexpr double edgeSlack = 1e-6;

QRectF centred(QPointF center, QSizeF size) {
    return {center.x() - size.width() / 2, center.y() - size.height() / 2, size.width(),
            size.height()};
}

bool overlaps(const QRectF& a, const QRectF& b) {
    return minX(a) < maxX(b) && minX(b) < maxX(a) && minY(a) < maxY(b) && minY(b) < maxY(a);
}

// Whether boxes of `item` size centred at angles a and b on a circle of `radius` are at least
// `RingView::arcGap` apart in x or in y.
bool separated(double a, double b, double radius, QSizeF item) {
    const double dx = std::abs(radius * (std::cos(b) - std::cos(a))) - item.width();
    const double dy = std::abs(radius * (std::sin(b) - std::sin(a))) - item.height();
    return std::max(dx, dy) >= RingView::arcGap;
}

// The smallest angular step from `a` in `direction` (+1 or −1) that keeps the next box clear of
// the one at `a`, by bisection over 0 … π/2.
double clearStep(double a, double direction, double radius, QSizeF item) {
    double low = 0;
    double high = std::numbers::pi / 2;
    for (int i = 0; i < 30; ++i) {
        const double mid = (low + high) / 2;
        if (separated(a, a + direction * mid, radius, item)) {
            high = mid;
        } else {
            low = mid;
        }
    }
    return high;
}

// Difference of two angles wrapped into −π … π.
double angleBetween(double a, double b) {
    return std::remainder(a - b, 2 * std::numbers::pi);
}

}  // namespace

QSizeF RingView::arcItemSize() const {
    return hasThumbnailChips() ? arcThumbnailSize : arcIconSize;
}

QSizeF RingView::columnRowSize() const {
    return hasThumbnailChips() ? thumbnailRowSize : chipSize;
}

double RingView::clearance() const {
    return layout.outerRadius() + 4;
}

bool RingView::insideBounds(const QRectF& rect) const {
    const QRectF b = effectiveBounds();
    // Without any known area there is nothing to stay inside.
    if (b.isEmpty())
        return true;
    return minX(rect) >= minX(b) - edgeSlack && maxX(rect) <= maxX(b) + edgeSlack &&
           minY(rect) >= minY(b) - edgeSlack && maxY(rect) <= maxY(b) + edgeSlack;
}

QPointF RingView::slideIntoBounds(const QRectF& rect) const {
    const QRectF b = effectiveBounds();
    if (b.isEmpty())
        return {};
    return {std::max(minX(b) - minX(rect), 0.0) + std::min(maxX(b) - maxX(rect), 0.0),
            std::max(minY(b) - minY(rect), 0.0) + std::min(maxY(b) - maxY(rect), 0.0)};
}

void RingView::showChips(std::vector<WindowChip> chips, int index) {
    const QRectF oldContent = contentArea();
    chips_ = std::move(chips);
    chipsApp_ = index;
    clearSelectedChip();

    bool onArc = false;
    const bool permission =
        !chips_.empty() && std::holds_alternative<WindowChip::AllowAccess>(chips_.front().kind);
    // Folder items and overflow apps try the arc whatever the window layout says.
    if (!permission && (windowLayout == WindowLayout::Arc || chipsAreItems())) {
        std::vector<WindowChip> given = chips_;
        onArc = placeArc(index);
        if (!onArc)
            chips_ = std::move(given);  // the arc may have cut the list short
    }
    if (onArc) {
        activeLayout_ = WindowLayout::Arc;
    } else {
        activeLayout_ = WindowLayout::Column;
        placeColumn(index);
    }

    // The old chips go and the title leaves the centre; the arc track runs between the ring and
    // the chips, so everything the view draws is drawn again.
    invalidate(oldContent);
    invalidate(contentArea());
}

void RingView::hideChips() {
    if (chips_.empty() && !chipsApp_)
        return;
    // Everything the view drew with the chips, the title in the centre and the arc track
    // between the ring and the chips included, is drawn again.
    invalidate(contentArea());
    chips_.clear();
    chipsApp_.reset();
    cardComposites_.clear();
    for (const qint64 picture : chipPictures_) caches_.forgetPicture(picture);
    chipPictures_.clear();
    clearSelectedChip();
}

std::vector<double> RingView::arcAngles(int count, double base, double radius, QSizeF item) {
    std::vector<double> angles;
    if (count <= 0)
        return angles;
    angles.reserve(count);
    angles.push_back(base);
    double decreasing = base;
    double increasing = base;
    // Chip 1 goes clockwise of the first, chip 2 counter-clockwise, and so on.
    for (int i = 1; i < count; ++i) {
        if (i % 2 == 1) {
            decreasing -= clearStep(decreasing, -1, radius, item);
            angles.push_back(decreasing);
        } else {
            increasing += clearStep(increasing, +1, radius, item);
            angles.push_back(increasing);
        }
    }
    return angles;
}

bool RingView::placeArc(int index) {
    const bool items = chipsAreItems();
    const size_t limit = items ? AppSource::maxOverflow : maxArcCards;
    const double maxSpan = items ? overflowMaxSpan : arcMaxSpan;
    if (chips_.size() > limit) {
        const int left = static_cast<int>(chips_.size() - (limit - 1));
        chips_.erase(chips_.begin() + static_cast<std::ptrdiff_t>(limit - 1), chips_.end());
        chips_.emplace_back(WindowChip::More{left});
    }

    const QSizeF item = arcItemSize();
    const double base = layout.angle(index);
    const int n = static_cast<int>(chips_.size());
    const auto spanOf = [](const std::vector<double>& angles) {
        if (angles.empty())
            return 0.0;
        const auto [low, high] = std::minmax_element(angles.begin(), angles.end());
        return *high - *low;
    };

    double radius = std::max(item.width(), item.height()) / 2 + layout.outerRadius() + 26;
    double span = spanOf(arcAngles(n, base, radius, item));
    // A wider circle fits the same items into a narrower arc.
    for (int enlargements = 0; span > maxSpan && enlargements < 3;) {
        radius *= span / maxSpan;
        if (++enlargements < 3)
            span = spanOf(arcAngles(n, base, radius, item));
    }
    arcRadius_ = radius;

    // Near a screen edge the arc turns away from it, a little more each try, larger angles first.
    for (int k = 0; k <= 32; ++k) {
        const int steps = (k + 1) / 2;
        const double offset = (k % 2 == 1 ? steps : -steps) * 6 * degree;
        const auto angles = arcAngles(n, base + offset, radius, item);
        const bool fits = std::all_of(angles.begin(), angles.end(), [&](double a) {
            return insideBounds(centred(paint::at(ringCenter, a, radius), item));
        });
        if (!fits)
            continue;
        for (int i = 0; i < n; ++i) {
            WindowChip& chip = chips_[i];
            chip.angle = angles[i];
            chip.frame = centred(paint::at(ringCenter, angles[i], radius), item);
            // The outer neighbour of an odd chip lies clockwise, of an even one counter-clockwise.
            chip.halfSpan = clearStep(angles[i], i % 2 == 1 ? -1 : +1, radius, item) / 2;
        }
        return true;
    }
    return false;
}

void RingView::placeColumn(int index) {
    const QSizeF row = columnRowSize();
    const double w = row.width();
    const double h = row.height();
    const double reach = layout.outerRadius();
    const double theta = layout.angle(index);
    const double sine = std::sin(theta);
    const double cosine = std::cos(theta);
    const QPointF icon = paint::at(ringCenter, theta, layout.radius);
    const size_t n = chips_.size();

    using Column = std::vector<QRectF>;
    const auto column = [&](double x, double firstY, bool upward) {
        Column rows;
        rows.reserve(n);
        for (size_t k = 0; k < n; ++k) {
            const double y = firstY + (upward ? 1 : -1) * static_cast<double>(k) * (h + chipGap);
            rows.emplace_back(x, y, w, h);
        }
        return rows;
    };
    const Column above = column(icon.x() - w / 2, ringCenter.y() + reach + 12, true);
    const Column below = column(icon.x() - w / 2, ringCenter.y() - reach - 12 - h, false);
    // Beside the ring the rows grow toward its horizontal middle.
    const auto beside = [&](bool right) {
        const double x = right ? ringCenter.x() + reach + 12 : ringCenter.x() - reach - 12 - w;
        return column(x, icon.y() - h / 2, sine < 0);
    };

    std::vector<Column> candidates;
    if (std::abs(sine) > 0.8)
        candidates.push_back(sine > 0 ? above : below);
    candidates.push_back(beside(cosine >= 0));
    candidates.push_back(sine >= 0 ? above : below);
    candidates.push_back(sine >= 0 ? below : above);
    candidates.push_back(beside(cosine < 0));

    const auto slid = [&](Column rows) {
        QRectF all;
        for (const QRectF& r : rows) all = united(all, r);
        const QPointF shift = slideIntoBounds(all);
        for (QRectF& r : rows) r.translate(shift);
        return rows;
    };
    const auto inside = [&](const Column& rows) {
        return std::all_of(rows.begin(), rows.end(),
                           [&](const QRectF& r) { return insideBounds(r); });
    };
    const auto clear = [&](const Column& rows) {
        return std::all_of(rows.begin(), rows.end(), [&](const QRectF& r) {
            return distanceToRect(ringCenter, r) >= clearance();
        });
    };

    std::optional<Column> chosen;
    for (const Column& candidate : candidates) {
        Column rows = inside(candidate) ? candidate : slid(candidate);
        if (clear(rows)) {
            chosen = std::move(rows);
            break;
        }
    }
    // Nothing is clear of the ring: the first choice, inside the bounds, may touch it.
    if (!chosen)
        chosen = slid(candidates.front());
    for (size_t k = 0; k < n; ++k) chips_[k].frame = (*chosen)[k];
}

QRectF RingView::chipsBounds() const {
    QRectF all;
    for (const auto& chip : chips_) all = united(all, chip.frame);
    return all;
}

QRectF RingView::outwardFrame(QSizeF size, const WindowChip& chip) const {
    const double a = chip.angle;
    const auto extent = [&](double x, double y) {
        return std::abs(std::cos(a)) * x + std::abs(std::sin(a)) * y;
    };
    const double grow =
        extent(size.width(), size.height()) - extent(chip.frame.width(), chip.frame.height());
    const double radius = arcRadius_ + std::max(grow / 2, 0.0);
    const QRectF frame = centred(paint::at(ringCenter, a, radius), size);
    return frame.translated(slideIntoBounds(frame));
}

QRectF RingView::previewFrame(QSizeF size, const QRectF& row, bool right) const {
    const QRectF all = chipsBounds();
    const double x = right ? maxX(all) + 14 : minX(all) - 14 - size.width();
    const QRectF frame(x, row.center().y() - size.height() / 2, size.width(), size.height());
    return frame.translated(0, slideIntoBounds(frame).y());
}

QRectF RingView::magnifiedFrame(int index) const {
    if (index < 0 || index >= static_cast<int>(chips_.size()))
        return {};
    const WindowChip& chip = chips_[index];
    double aspect = 1.6;
    if (const auto* window = std::get_if<WindowChip::Window>(&chip.kind);
        window && window->info.id) {
        const QImage image = thumbnail(*window->info.id);
        if (!image.isNull())
            aspect = std::max(image.width(), 1) / static_cast<double>(std::max(image.height(), 1));
    }

    const QRectF all = chipsBounds();
    const QRectF area = effectiveBounds();
    const bool right = all.center().x() >= ringCenter.x();
    const double room = right ? maxX(area) - maxX(all) - 14 : minX(all) - 14 - minX(area);
    const auto usable = [&](const QRectF& frame) {
        return insideBounds(frame) && !overlaps(frame, all) &&
               distanceToRect(ringCenter, frame) >= clearance();
    };
    const auto besideColumn = [&](QSizeF size) {
        const double x = right ? maxX(all) - size.width() : minX(all);
        const QRectF above(x, maxY(all) + 14, size.width(), size.height());
        const QRectF below(x, minY(all) - 14 - size.height(), size.width(), size.height());
        return chip.frame.center().y() >= all.center().y() ? std::pair{above, below}
                                                           : std::pair{below, above};
    };

    double w = previewWidth;
    while (true) {
        const double maxHeight = w * previewHeightRatio;
        const QSizeF size =
            w / aspect <= maxHeight ? QSizeF(w, w / aspect) : QSizeF(maxHeight * aspect, maxHeight);
        QRectF frame;
        if (activeLayout_ == WindowLayout::Arc) {
            frame = outwardFrame(size, chip);
        } else {
            // Runs on every pointer move while a card shows: no allocation.
            std::array<QRectF, 5> candidates;
            size_t count = 0;
            candidates[count++] = previewFrame(size, chip.frame, right);
            if (room >= minimumPreviewWidth && room < size.width()) {
                const QSizeF narrower(room, size.height() * room / size.width());
                candidates[count++] = previewFrame(narrower, chip.frame, right);
            }
            candidates[count++] = previewFrame(size, chip.frame, !right);
            const auto [first, second] = besideColumn(size);
            candidates[count++] = first;
            candidates[count++] = second;
            const auto end = candidates.begin() + static_cast<std::ptrdiff_t>(count);
            const auto found = std::find_if(candidates.begin(), end, usable);
            frame = found != end ? *found : candidates.front();
        }
        // Written so that a width that is not a number also ends the search.
        if (!(w * 0.88 >= minimumPreviewWidth))
            return frame;
        w *= 0.88;
        const QRectF loose = grown(area, 0.5);
        const bool fits =
            (area.isEmpty() || (minX(frame) >= minX(loose) && maxX(frame) <= maxX(loose) &&
                                minY(frame) >= minY(loose) && maxY(frame) <= maxY(loose))) &&
            distanceToRect(ringCenter, frame) >= clearance() &&
            (activeLayout_ == WindowLayout::Arc || !overlaps(frame, all));
        if (fits)
            return frame;
    }
}

QRectF RingView::chipsDirtyRect() const {
    if (chips_.empty())
        return {};
    QRectF area = chipsBounds();
    if (hasThumbnailChips()) {
        for (int i = 0; i < static_cast<int>(chips_.size()); ++i)
            area = united(area, magnifiedFrame(i));
    }
    return grown(area, 30);
}

std::optional<int> RingView::chipIndex(QPointF point, double reach) const {
    if (chips_.empty())
        return std::nullopt;
    const double d = distance(point, ringCenter);
    // The ring itself is never a chip, whatever lies over it.
    if (d < layout.outerRadius() - 2)
        return std::nullopt;
    // The big card keeps its chip selected while the pointer is on it.
    if (hasThumbnailChips() && selectedChip_ && *selectedChip_ >= 0 &&
        *selectedChip_ < static_cast<int>(chips_.size()) &&
        contains(grown(magnifiedFrame(*selectedChip_), reach), point)) {
        return selectedChip_;
    }

    std::optional<int> best;
    double bestDistance = 0;
    if (activeLayout_ == WindowLayout::Arc) {
        const QSizeF item = arcItemSize();
        if (d > arcRadius_ + std::max(item.width(), item.height()) / 2 + reach)
            return std::nullopt;
        const QPointF v = point - ringCenter;
        const double a = std::atan2(v.y(), v.x());
        for (size_t i = 0; i < chips_.size(); ++i) {
            const double difference = std::abs(angleBetween(a, chips_[i].angle));
            if (!best || difference < bestDistance) {
                best = static_cast<int>(i);
                bestDistance = difference;
            }
        }
        if (best && bestDistance <= 2 * chips_[*best].halfSpan)
            return best;
        return std::nullopt;
    }

    for (size_t i = 0; i < chips_.size(); ++i) {
        const double dd = distanceToRect(point, chips_[i].frame);
        if (!best || dd < bestDistance) {
            best = static_cast<int>(i);
            bestDistance = dd;
        }
    }
    if (best && bestDistance <= reach)
        return best;
    return std::nullopt;
}

std::vector<int> RingView::arcNeighbors(int index) const {
    std::vector<int> order(chips_.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return chips_[a].angle < chips_[b].angle; });
    const auto found = std::find(order.begin(), order.end(), index);
    if (found == order.end())
        return {};
    std::vector<int> neighbours;
    if (found != order.begin())
        neighbours.push_back(*(found - 1));
    if (found + 1 != order.end())
        neighbours.push_back(*(found + 1));
    return neighbours;
}

}  // namespace tandri
