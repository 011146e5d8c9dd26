// SPDX-License-Identifier: MIT
// One frame of the ring: the look's body, icons, badges and centre, the notice, then the chips of
// the aimed entry; and the bitmap the panel shows it in.

#include <QFontMetricsF>
#include <algorithm>
#include <cmath>

#include "paint/colors.h"
#include "paint/coverage.h"
#include "paint/paths.h"
#include "paint/pictures.h"
#include "paint/renderthread.h"
#include "paint/text.h"
#include "paint/uncleared.h"
#include "ring/ringgeometry.h"
#include "ring/ringview.h"

namespace tandri {

using namespace geometry;

namespace {

QRectF lerp(const QRectF& a, const QRectF& b, double t) {
    return {a.x() + (b.x() - a.x()) * t, a.y() + (b.y() - a.y()) * t,
            a.width() + (b.width() - a.width()) * t, a.height() + (b.height() - a.height()) * t};
}

QPainterPath roundedRect(const QRectF& rect, double radius) {
    QPainterPath path;
    path.addRoundedRect(rect, radius, radius);
    return path;
}

// The nearest point of `rect` to `p`.
QPointF clampedInto(QPointF p, const QRectF& rect) {
    return {std::clamp(p.x(), minX(rect), maxX(rect)), std::clamp(p.y(), minY(rect), maxY(rect))};
}

// The rect widened to whole points, so that pixels line up with the view's.
QRectF wholePoints(const QRectF& rect) {
    if (rect.isEmpty())
        return {};
    const double left = std::floor(minX(rect));
    const double bottom = std::floor(minY(rect));
    return {left, bottom, std::ceil(maxX(rect)) - left, std::ceil(maxY(rect)) - bottom};
}

// The parts of `rect` outside `inner`, which lies within it: up to four strips, none when
// `inner` is all of it; all of `rect` when `inner` is empty.
std::vector<QRectF> outside(const QRectF& rect, const QRectF& inner) {
    if (inner.isEmpty())
        return {rect};
    std::vector<QRectF> strips{
        QRectF(QPointF(minX(rect), maxY(inner)), QPointF(maxX(rect), maxY(rect))),
        QRectF(QPointF(minX(rect), minY(rect)), QPointF(maxX(rect), minY(inner))),
        QRectF(QPointF(minX(rect), minY(inner)), QPointF(minX(inner), maxY(inner))),
        QRectF(QPointF(maxX(inner), minY(inner)), QPointF(maxX(rect), maxY(inner)))};
    std::erase_if(strips, [](const QRectF& strip) { return strip.isEmpty(); });
    return strips;
}

double areaOf(const QRectF& rect) {
    return rect.width() * rect.height();
}

// Each piece costs a pass over the whole scene: pieces that overlap or nearly touch are drawn
// as one when that covers no more than drawing both.
std::vector<QRectF> mergedPieces(std::vector<QRectF> pieces) {
    for (bool merged = true; merged;) {
        merged = false;
        for (size_t i = 0; i < pieces.size() && !merged; ++i) {
            for (size_t j = i + 1; j < pieces.size() && !merged; ++j) {
                const QRectF both = pieces[i].united(pieces[j]);
                if (areaOf(both) <= areaOf(pieces[i]) + areaOf(pieces[j])) {
                    pieces[i] = both;
                    pieces.erase(pieces.begin() + static_cast<std::ptrdiff_t>(j));
                    merged = true;
                }
            }
        }
    }
    return pieces;
}

bool isMore(const WindowChip& chip, int* count = nullptr) {
    const auto* more = std::get_if<WindowChip::More>(&chip.kind);
    if (more && count)
        *count = more->count;
    return more != nullptr;
}

}  // namespace

QImage RingView::ownIcon(const WindowChip& chip) const {
    const auto index = &chip - chips_.data();
    if (ownIcons_.size() == chips_.size() && index >= 0 &&
        index < static_cast<std::ptrdiff_t>(ownIcons_.size())) {
        return ownIcons_[static_cast<size_t>(index)];
    }
    return chipIcon ? chipIcon(chip) : QImage();
}

QImage RingView::entryIcon(std::optional<int> index) const {
    if (!index || *index < 0 || *index >= static_cast<int>(apps.size()))
        return {};
    return apps[*index].icon;
}

void RingView::render(QPainter& painter) {
    if (!look_)
        return;
    const bool chipSelected =
        selectedChip_ && *selectedChip_ >= 0 && *selectedChip_ < static_cast<int>(chips_.size());
    drawnGrowing_ = chipSelected && hasThumbnailChips() && magnifyProgress() < 1;

    RingScene scene;
    scene.center = ringCenter;
    scene.layout = layout;
    scene.dark = dark;
    scene.apps = apps;
    if (selectedApp_ && *selectedApp_ >= 0 && *selectedApp_ < static_cast<int>(apps.size()))
        scene.selectedApp = selectedApp_;
    scene.frontmostPID = frontmostPID;
    if (chipSelected) {
        const WindowChip& chip = chips_[*selectedChip_];
        if (!std::holds_alternative<WindowChip::AllowAccess>(chip.kind))
            scene.windowTitle = chip.title();
    }
    scene.arcRadius = arcRadius_;
    scene.caches = &caches_;

    const double t = std::clamp(progress_, 0.0, 1.0);
    const double p = 1 - std::pow(1 - t, 3);

    // Cards seen for the first time are composed on another thread while this one draws the
    // ring: composing nine of them takes about as long as the ring itself.
    const bool arc = !chips_.empty() && activeLayout_ == WindowLayout::Arc;
    const std::vector<ArcCard> cards =
        arc && hasThumbnailChips() ? arcCards() : std::vector<ArcCard>();
    std::vector<PendingCard> pending = cardsToCompose(painter, cards);
    const QImage chipsIcon = entryIcon(chipsApp_);
    const QPainter::RenderHints hints = painter.renderHints();
    const double scale = std::abs(painter.deviceTransform().m11());
    // Beside the frame's thread, cards keep their shadows and pictures apart from the frame's.
    RingScene besideScene = scene;
    besideScene.caches = &caches_.beside();
    renderThread::Aside composing(static_cast<int>(pending.size()), [&](int i, bool aside) {
        PendingCard& card = pending[static_cast<size_t>(i)];
        card.composite = composeCard(chips_[static_cast<size_t>(card.index)], card.frame,
                                     card.selected, chipsIcon, card.picture,
                                     aside ? besideScene : scene, card.key, scale, hints);
    });

    painter.save();
    painter.setOpacity(painter.opacity() * p);
    look_->drawBody(painter, scene);
    // What follows may draw with the painter itself, which must find the frame cleared.
    paint::Uncleared::settle(painter);
    const RingLook::IconScale scales = look_->iconScale();
    for (int i = 0; i < static_cast<int>(apps.size()); ++i) {
        const RingApp& app = apps[i];
        const bool selected = scene.selectedApp == i;
        // Icons grow from 60 % and fly out from the centre while the ring opens.
        const double side =
            (p * 0.4 + 0.6) * (selected ? scales.selected : scales.normal) * layout.iconSize;
        const QRectF rect =
            paint::square(paint::at(ringCenter, layout.angle(i), p * layout.radius), side);
        if (const auto more = app.moreCount()) {
            look_->drawMore(painter, *more, rect, scene);
            continue;
        }
        look_->drawIcon(painter, app, rect, selected, scene);
        if (const auto pid = app.pid())
            look_->drawRunning(painter, i, pid == frontmostPID, scene);
        if (windowLayout != WindowLayout::Off && i < static_cast<int>(windowCounts_.size()) &&
            windowCounts_[i] >= 2) {
            const int count = windowCounts_[i];
            const QString text = count < 10 ? QString::number(count) : QStringLiteral("9+");
            drawBadge(painter, text, QPointF(maxX(rect) - 0.12 * side, maxY(rect) - 0.12 * side),
                      scene);
        }
    }
    look_->drawOverlay(painter, scene);
    look_->drawCenter(painter, scene);
    if (notice_)
        drawNotice(painter);
    painter.restore();

    // Chips are not faded by the opening. The arc's track goes below the cards, and the cards
    // go on being composed beside it.
    if (arc)
        drawArcTrack(painter, scene);
    composing.finish();
    for (PendingCard& card : pending) {
        if (card.composite)
            keepCard(std::move(*card.composite));
    }
    if (chips_.empty())
        return;
    if (arc) {
        drawArc(painter, scene, cards);
    } else {
        drawColumn(painter, scene);
    }
}

void RingView::drawNotice(QPainter& painter) const {
    const QPaintDevice* device = painter.device();
    const QFont font = paint::font(11, QFont::Medium, device);
    const QFontMetricsF metrics = device ? QFontMetricsF(font, device) : QFontMetricsF(font);
    const double inner = layout.holeRadius();
    const double width =
        std::max(std::min(metrics.horizontalAdvance(*notice_) + 24, 2 * inner), 0.0);
    const QRectF pill(ringCenter.x() - width / 2, ringCenter.y() - 0.62 * inner - 11, width, 22);
    paint::fill(painter, paint::pill(pill), paint::white(0.08, 0.85));
    paint::text(painter, *notice_, pill.adjusted(10, 0, -10, 0), 11, QFont::Medium,
                paint::white(1, 0.9), Qt::AlignHCenter);
}

void RingView::drawColumn(QPainter& painter, const RingScene& scene) const {
    const QImage icon = entryIcon(chipsApp_);
    if (chipsApp_) {
        const QPointF start = paint::at(ringCenter, layout.angle(*chipsApp_), layout.outerRadius());
        const QPointF end = clampedInto(start, chips_.front().frame);
        // A row right at the ring's edge needs no line to it.
        if (distance(start, end) > 16) {
            paint::stroke(painter, paint::line(start, end), paint::withAlpha(look_->accent(), 0.7),
                          2);
        }
    }
    for (int i = 0; i < static_cast<int>(chips_.size()); ++i)
        drawChip(painter, chips_[i], icon, selectedChip_ == i, scene);

    const bool chipSelected =
        selectedChip_ && *selectedChip_ >= 0 && *selectedChip_ < static_cast<int>(chips_.size());
    if (hasThumbnailChips() && chipSelected) {
        // The preview grows out of the row's thumbnail.
        const QRectF row = chips_[*selectedChip_].frame;
        const QRectF from(minX(row) + 6, minY(row) + 6, rowThumbnailWidth, row.height() - 12);
        const QRectF frame = lerp(from, magnifiedFrame(*selectedChip_), magnifyProgress());
        drawCard(painter, chips_[*selectedChip_], frame, icon, scene);
    }
}

void RingView::drawChip(QPainter& painter, const WindowChip& chip, const QImage& icon,
                        bool selected, const RingScene& scene) const {
    const ColumnColors colors = look_->column();
    const QRectF frame = chip.frame;
    const QPainterPath path = roundedRect(frame, 8);
    paint::fill(painter, path, selected ? colors.selectedFill : colors.fill);

    const bool minimized = chip.isMinimized();
    QColor titleColor = colors.selectedText;
    if (!selected) {
        paint::stroke(painter, path, colors.stroke, 1);
        titleColor = std::holds_alternative<WindowChip::AllowAccess>(chip.kind)
                         ? look_->accent()
                         : paint::withAlpha(colors.text, minimized ? 0.55 : 1);
    }

    QRectF titleRect = frame.adjusted(11, 0, -11, 0);
    if (const QImage own = ownIcon(chip); !own.isNull()) {
        paint::image(painter, *scene.caches, own,
                     QRectF(minX(frame) + 6, frame.center().y() - 10, 20, 20));
        titleRect = QRectF(minX(frame) + 32, minY(frame), frame.width() - 43, frame.height());
    }
    if (hasThumbnailChips()) {
        const QRectF box(minX(frame) + 6, minY(frame) + 6, rowThumbnailWidth, frame.height() - 12);
        const QPainterPath clip = roundedRect(box, 5);
        paint::fill(painter, clip, paint::white(0.22));
        drawThumbnail(painter, chip, box, clip, icon, cardPicture(chip), scene);
        titleRect = QRectF(maxX(box) + 10, minY(frame), maxX(frame) - 11 - (maxX(box) + 10),
                           frame.height());
    }
    if (minimized) {
        const QRectF tag(maxX(titleRect) - 62, minY(titleRect), 62, titleRect.height());
        titleRect.setWidth(std::max(titleRect.width() - 62, 0.0));
        paint::text(painter, QStringLiteral("minimized"), tag, 10, QFont::Normal,
                    paint::withAlpha(titleColor, selected ? 0.7 : 0.45), Qt::AlignRight);
    }
    paint::text(painter, chip.title(), titleRect, 12, QFont::Medium, titleColor, Qt::AlignLeft);
}

void RingView::drawArcTrack(QPainter& painter, const RingScene& scene) const {
    double from = chips_.front().angle - chips_.front().halfSpan;
    double to = chips_.front().angle + chips_.front().halfSpan;
    for (const WindowChip& chip : chips_) {
        from = std::min(from, chip.angle - chip.halfSpan);
        to = std::max(to, chip.angle + chip.halfSpan);
    }
    look_->drawArcTrack(painter, from, to, !hasThumbnailChips(), scene);
}

void RingView::drawArc(QPainter& painter, const RingScene& scene,
                       const std::vector<ArcCard>& cards) const {
    const QImage icon = entryIcon(chipsApp_);
    const bool thumbnails = hasThumbnailChips();
    const int n = static_cast<int>(chips_.size());
    if (!thumbnails) {
        for (int i = 0; i < n; ++i)
            drawArcIcon(painter, chips_[i], i + 1, icon, selectedChip_ == i, scene);
        return;
    }

    for (const ArcCard& card : cards) {
        const WindowChip& chip = chips_[card.index];
        int count = 0;
        if (isMore(chip, &count)) {
            drawMoreChip(painter, count, card.frame, card.selected);
            continue;
        }
        drawThumbnailCard(painter, chip, card.frame, card.selected, icon, scene, card.settled);
    }
}

std::vector<RingView::PendingCard> RingView::cardsToCompose(
    const QPainter& painter, const std::vector<ArcCard>& cards) const {
    std::vector<PendingCard> pending;
    if (cards.empty())
        return pending;
    const double scale = std::abs(painter.deviceTransform().m11());
    const QImage icon = entryIcon(chipsApp_);
    for (const ArcCard& card : cards) {
        const WindowChip& chip = chips_[static_cast<size_t>(card.index)];
        if (!card.settled || isMore(chip))
            continue;
        QImage picture = cardPicture(chip);
        const CardKey key = cardKey(chip, card.frame, card.selected, picture, icon, scale);
        const bool known = composedCard(key) || std::any_of(pending.begin(), pending.end(),
                                                            [&key](const PendingCard& other) {
                                                                return other.key == key;
                                                            });
        if (!key.pixels.isEmpty() && !known)
            pending.push_back({card.index, card.frame, card.selected, std::move(picture), key, {}});
    }
    // The largest first (the aimed card's preview costs as much as a few others together): the
    // other thread begins with it, and what is left at the end are small ones.
    std::stable_sort(pending.begin(), pending.end(),
                     [](const PendingCard& a, const PendingCard& b) {
                         const auto area = [](const PendingCard& card) {
                             return qint64(card.key.pixels.width()) * card.key.pixels.height();
                         };
                         return area(a) > area(b);
                     });
    return pending;
}

std::vector<RingView::ArcCard> RingView::arcCards() const {
    const int n = static_cast<int>(chips_.size());
    // −1 when no valid chip is selected.
    const int selected =
        selectedChip_ && *selectedChip_ >= 0 && *selectedChip_ < n ? *selectedChip_ : -1;
    const std::vector<int> neighbours = selected >= 0 ? arcNeighbors(selected) : std::vector<int>();
    const auto isNeighbour = [&](int i) {
        return std::find(neighbours.begin(), neighbours.end(), i) != neighbours.end();
    };
    // Growing cards are drawn last so that they lie on top.
    std::vector<int> order;
    order.reserve(n);
    for (int i = 0; i < n; ++i) {
        if (i != selected && !isNeighbour(i))
            order.push_back(i);
    }
    order.insert(order.end(), neighbours.begin(), neighbours.end());
    if (selected >= 0)
        order.push_back(selected);

    const double grow = magnifyProgress();
    std::vector<ArcCard> cards;
    cards.reserve(order.size());
    for (const int i : order) {
        const WindowChip& chip = chips_[i];
        const bool isSelected = i == selected;
        QRectF frame = chip.frame;
        if (isSelected) {
            frame = lerp(chip.frame, magnifiedFrame(i), grow);
        } else if (isNeighbour(i)) {
            frame = lerp(chip.frame, outwardFrame(chip.frame.size() * neighbourGrowth, chip), grow);
        }
        const bool settled = grow >= 1 || (!isSelected && !isNeighbour(i));
        cards.push_back({i, frame, isSelected, settled});
    }
    return cards;
}

void RingView::drawBadge(QPainter& painter, const QString& text, QPointF point,
                         const RingScene& scene) const {
    // A badge looks the same wherever it sits, and a ring shows many: draw each text once per
    // look and copy it.
    constexpr double half = 14;  // covers every look's badge disc and rim
    const double scale = std::abs(painter.deviceTransform().m11());
    const QSize pixels(qRound(2 * half * scale), qRound(2 * half * scale));
    const QRectF box(point.x() - half, point.y() - half, 2 * half, 2 * half);
    for (const BadgePicture& badge : badgePictures_) {
        if (badge.look == look_->serial() && badge.dark == dark && badge.text == text &&
            badge.picture.size() == pixels) {
            paint::image(painter, *scene.caches, badge.picture, box);
            return;
        }
    }
    QImage picture(pixels, QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::transparent);
    QPainter p(&picture);
    p.setRenderHints(painter.renderHints());
    p.setTransform(QTransform(scale, 0, 0, -scale, 0, 2 * half * scale));
    look_->drawBadge(p, text, QPointF(half, half), scene);
    p.end();
    constexpr size_t kept = 16;
    if (badgePictures_.size() >= kept)
        badgePictures_.erase(badgePictures_.begin());
    badgePictures_.push_back({look_->serial(), dark, text, picture});
    paint::image(painter, *scene.caches, picture, box);
}

void RingView::drawThumbnailCard(QPainter& painter, const WindowChip& chip, const QRectF& frame,
                                 bool selected, const QImage& icon, const RingScene& scene,
                                 bool settled) const {
    if (!settled) {
        const QPainterPath path = look_->drawCardFrame(painter, frame, selected, scene);
        drawThumbnail(painter, chip, frame, path, icon, cardPicture(chip), scene);
        look_->drawCardBorder(painter, path, selected, scene);
        return;
    }
    // A card with its shadow, picture and border is the most expensive thing on screen, and a
    // settled card looks the same from frame to frame: compose it once and copy it afterwards.
    const double scale = std::abs(painter.deviceTransform().m11());
    const QImage picture = cardPicture(chip);
    const CardKey key = cardKey(chip, frame, selected, picture, icon, scale);
    if (key.pixels.isEmpty())
        return;
    const CardComposite* composite = composedCard(key);
    if (!composite) {
        std::optional<CardComposite> made = composeCard(chip, frame, selected, icon, picture, scene,
                                                        key, scale, painter.renderHints());
        if (!made)
            return;
        composite = &keepCard(std::move(*made));
    }
    paint::image(painter, *scene.caches, composite->picture,
                 cardPlace(frame, composite->used, scale));
}

QImage RingView::cardPicture(const WindowChip& chip) const {
    const auto* window = std::get_if<WindowChip::Window>(&chip.kind);
    if (!window || !window->info.id)
        return {};
    QImage picture = thumbnail(*window->info.id);
    if (!picture.isNull() && std::find(chipPictures_.begin(), chipPictures_.end(),
                                       picture.cacheKey()) == chipPictures_.end())
        chipPictures_.push_back(picture.cacheKey());
    return picture;
}

RingView::CardKey RingView::cardKey(const WindowChip& chip, const QRectF& frame, bool selected,
                                    const QImage& picture, const QImage& icon, double scale) const {
    const QRectF outer = frame.adjusted(-cardMargin, -cardMargin, cardMargin, cardMargin);
    const QSize pixels(qRound(outer.width() * scale), qRound(outer.height() * scale));
    return {look_->serial(),
            dark,
            quint64(picture.cacheKey()),
            quint64(icon.cacheKey()),
            frame.size(),
            pixels,
            selected,
            chip.isMinimized()};
}

const RingView::CardComposite* RingView::composedCard(const CardKey& key) const {
    for (CardComposite& cached : cardComposites_) {
        if (cached.key == key) {
            cached.lastUse = ++cardClock_;
            return &cached;
        }
    }
    return nullptr;
}

const RingView::CardComposite& RingView::keepCard(CardComposite composite) const {
    // Moving along an arc shows each card in three sizes (on its own, beside the aimed one, and
    // aimed): all of them are kept, or every step would compose some again.
    constexpr size_t kept = 3 * maxArcCards + 5;
    if (cardComposites_.size() >= kept) {
        cardComposites_.erase(std::min_element(
            cardComposites_.begin(), cardComposites_.end(),
            [](const CardComposite& a, const CardComposite& b) { return a.lastUse < b.lastUse; }));
    }
    composite.lastUse = ++cardClock_;
    cardComposites_.push_back(std::move(composite));
    return cardComposites_.back();
}

QRectF RingView::cardPlace(const QRectF& frame, const QRect& used, double scale) {
    const QRectF outer = frame.adjusted(-cardMargin, -cardMargin, cardMargin, cardMargin);
    return QRectF(minX(outer) + used.x() / scale, maxY(outer) - (used.y() + used.height()) / scale,
                  used.width() / scale, used.height() / scale);
}

std::optional<RingView::CardComposite> RingView::composeCard(
    const WindowChip& chip, const QRectF& frame, bool selected, const QImage& icon,
    const QImage& picture, const RingScene& scene, const CardKey& key, double scale,
    QPainter::RenderHints hints) const {
    const QRectF outer = frame.adjusted(-cardMargin, -cardMargin, cardMargin, cardMargin);
    const QTransform toOuter(scale, 0, 0, -scale, -minX(outer) * scale, maxY(outer) * scale);
    const auto compose = [&](QPainter& p) {
        const QPainterPath path = look_->drawCardFrame(p, frame, selected, scene);
        drawThumbnail(p, chip, frame, path, icon, picture, scene);
        look_->drawCardBorder(p, path, selected, scene);
    };
    // Most of the margin stays empty: measured first, the bitmap holds only what the card and
    // its shadow cover, so it is cheap to clear now and to copy on every later frame.
    QRect used;
    {
        QImage probe(1, 1, QImage::Format_ARGB32_Premultiplied);
        QPainter like(&probe);
        like.setRenderHints(hints);
        used = paint::covered(like, toOuter, compose).toAlignedRect() & QRect(QPoint(), key.pixels);
    }
    if (used.isEmpty())
        return std::nullopt;
    QImage composite(used.size(), QImage::Format_ARGB32_Premultiplied);
    if (composite.isNull())
        return std::nullopt;
    composite.fill(Qt::transparent);
    {
        QPainter p(&composite);
        p.setRenderHints(hints);
        p.setTransform(toOuter * QTransform::fromTranslate(-used.x(), -used.y()));
        compose(p);
    }
    return CardComposite{key, std::move(composite), used};
}

void RingView::drawArcIcon(QPainter& painter, const WindowChip& chip, int number,
                           const QImage& icon, bool selected, const RingScene& scene) const {
    const QRectF frame = chip.frame;
    int count = 0;
    if (isMore(chip, &count)) {
        drawMoreChip(painter, count, frame, selected);
        return;
    }
    if (selected)
        look_->drawArcSelection(painter, frame, scene);
    const QImage own = ownIcon(chip);
    const double side = (selected ? 1.1 : 1.0) * frame.width();
    paint::image(painter, *scene.caches, own.isNull() ? icon : own,
                 paint::square(frame.center(), side), chip.isMinimized() ? 0.45 : 1);

    if (std::holds_alternative<WindowChip::File>(chip.kind) ||
        std::holds_alternative<WindowChip::Reveal>(chip.kind)) {
        return;
    }
    if (const auto* app = std::get_if<WindowChip::App>(&chip.kind)) {
        if (app->app.isRunning()) {
            paint::fill(painter, paint::circle(QPointF(frame.center().x(), minY(frame) - 5), 1.8),
                        look_->runningColor());
        }
        return;
    }
    const QPointF badge(maxX(frame) - 3, minY(frame) + 3);
    paint::fill(painter, paint::circle(badge, 10), paint::white(0.1));
    paint::fill(painter, paint::circle(badge, 8.5), paint::white(0.92));
    paint::text(painter, QString::number(number), QRectF(badge.x() - 8.5, badge.y() - 6.5, 17, 13),
                10, QFont::Bold, paint::white(0.08), Qt::AlignHCenter);
}

void RingView::drawCard(QPainter& painter, const WindowChip& chip, const QRectF& rect,
                        const QImage& icon, const RingScene& scene) const {
    int count = 0;
    if (isMore(chip, &count)) {
        drawMoreChip(painter, count, rect, true);
        return;
    }
    drawThumbnailCard(painter, chip, rect, true, icon, scene, magnifyProgress() >= 1);
}

void RingView::drawMoreChip(QPainter& painter, int count, const QRectF& rect, bool selected) const {
    const double radius = std::max(std::min(rect.width(), rect.height()) / 2 - 2, 0.0);
    paint::fill(painter, paint::circle(rect.center(), radius),
                selected ? look_->accent() : paint::white(0.12, 0.9));
    paint::text(painter, QStringLiteral("+%1").arg(count), rect, 13, QFont::Bold,
                selected ? paint::white(0.06) : paint::white(1), Qt::AlignHCenter);
}

void RingView::drawThumbnail(QPainter& painter, const WindowChip& chip, const QRectF& rect,
                             const QPainterPath& clip, const QImage& icon, const QImage& image,
                             const RingScene& scene) const {
    const double alpha = chip.isMinimized() ? 0.45 : 1;
    if (image.isNull()) {
        paint::image(painter, *scene.caches, icon,
                     paint::square(rect.center(), std::min(rect.width(), rect.height()) / 2),
                     alpha);
        return;
    }
    // The picture fills the card and is cut to its shape. Settled cards come here once, when
    // they are composed (drawThumbnailCard).
    const double w = std::max(image.width(), 1);
    const double h = std::max(image.height(), 1);
    const double factor = std::max(rect.width() / w, rect.height() / h);
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter.setClipPath(clip, Qt::IntersectClip);
    paint::image(painter, *scene.caches, image,
                 QRectF(rect.center().x() - w * factor / 2, rect.center().y() - h * factor / 2,
                        w * factor, h * factor),
                 alpha);
    painter.restore();
}

QRectF RingView::contentArea() const {
    QRectF area = grown(ringRect(), 28);
    if (!chips_.empty())
        area = united(area, chipsDirtyRect());
    return wholePoints(area.intersected(bounds));
}

QRectF RingView::shownArea() const {
    QRectF area = grown(ringRect(), 28);
    if (!chips_.empty()) {
        area = united(area, grown(chipsBounds(), 30));
        area = united(area, selectionDirtyRect(selectedChip_));
    }
    return wholePoints(area.intersected(contentArea()));
}

std::vector<RingView::Layer> RingView::updateLayers(double scale) {
    std::vector<QRectF> marked = std::exchange(dirty_, {});
    invalid_ = QRectF();
    std::vector<Layer> layers;
    if (!(scale > 0))
        return layers;
    const QRectF content = contentArea();
    if (content != drawnContent_) {
        // The chips came, went or moved: what was drawn before is emptied and everything is
        // drawn anew (or emptied where nothing shows now), so nothing of the old chips lingers
        // between the pieces drawn later.
        if (!drawnContent_.isEmpty() && !content.contains(drawnContent_)) {
            layers.push_back({QImage(), drawnContent_});
            inked_ = QRectF();
        }
        marked = {content};
        drawnContent_ = content;
    }
    // Most of the content area is room for previews of chips that are not selected: a piece
    // is drawn only where something shows now, and elsewhere emptied if anything was drawn
    // there before.
    const QRectF shown = shownArea();
    if (shown != drawnShown_) {
        // The shown area is one rect round all that shows: a preview coming or going moves its
        // edges by more than the preview covers, and what lies in the strip it gains or loses
        // (a look's track round the ring, say) appears or goes with it.
        const QRectF kept = shown.intersected(drawnShown_);
        for (const QRectF& rect : {shown, drawnShown_}) {
            for (const QRectF& strip : outside(rect, kept)) marked.push_back(strip);
        }
        drawnShown_ = shown;
    }
    std::vector<QRectF> pieces;
    for (const QRectF& rect : marked) {
        const QRectF piece = wholePoints(rect.intersected(content));
        if (piece.isEmpty())
            continue;
        const QRectF drawn = piece.intersected(shown);
        for (const QRectF& strip : outside(piece, drawn)) {
            if (strip.intersects(inked_))
                layers.push_back({QImage(), strip.intersected(inked_)});
        }
        if (!drawn.isEmpty())
            pieces.push_back(drawn);
    }
    if (pieces.empty())
        return layers;
    // The icons of files and folders come from the desktop's icon theme, which belongs to this
    // thread; the drawing itself goes where Qt draws fastest.
    ownIcons_.clear();
    for (const WindowChip& chip : chips_) ownIcons_.push_back(chipIcon ? chipIcon(chip) : QImage());
    renderThread::run([this, &pieces, &layers, scale] {
        for (const QRectF& piece : mergedPieces(std::move(pieces))) {
            Layer layer = drawLayer(piece, scale);
            if (!layer.image.isNull()) {
                inked_ = united(inked_, layer.area);
                layers.push_back(std::move(layer));
            }
        }
    });
    ownIcons_.clear();
    return layers;
}

RingView::Layer RingView::drawLayer(const QRectF& area, double scale) {
    const int width = static_cast<int>(std::lround(area.width() * scale));
    const int height = static_cast<int>(std::lround(area.height() * scale));
    if (width <= 0 || height <= 0)
        return {};
    // A frame is the size of a good part of the screen: drawing into one that nobody holds any
    // more spares allocating (and faulting in) megabytes on every frame.
    QImage* target = nullptr;
    for (QImage& frame : frames_) {
        if (frame.width() == width && frame.height() == height && frame.isDetached()) {
            target = &frame;
            break;
        }
    }
    if (!target) {
        const auto free = std::find_if(frames_.begin(), frames_.end(), [](const QImage& frame) {
            return frame.isNull() || frame.isDetached();
        });
        target = free != frames_.end() ? &*free : &frames_.front();
        *target = QImage(width, height, QImage::Format_ARGB32_Premultiplied);
        if (target->isNull())
            return {};
    }
    QImage& image = *target;
    image.setDevicePixelRatio(scale);
    {
        // Not cleared here: what is drawn first clears it, row by row as it draws.
        const paint::Uncleared uncleared(image);
        QPainter painter(&image);
        painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform |
                               QPainter::TextAntialiasing);
        // The painter already works in points (the image's pixel ratio); the image's top row is
        // the area's top edge, which in the view's upward y is its largest y.
        painter.translate(-minX(area), maxY(area));
        painter.scale(1, -1);
        render(painter);
    }
    return {image, area};
}

}  // namespace tandri
