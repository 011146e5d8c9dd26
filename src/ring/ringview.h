// SPDX-License-Identifier: MIT
#pragma once

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QUrl>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "catalogue/ringapp.h"
#include "platform/overlay.h"
#include "prefs/lookchoice.h"
#include "prefs/windowlayout.h"
#include "ring/ringlayout.h"
#include "ring/ringlook.h"
#include "ring/ringscene.h"
#include "ring/windowchip.h"

namespace tandri {

class Clock;

/// The ring's one view: everything the controller tells it about the current opening, where the
/// chips go, which chip a point hits, and which parts of it need drawing again.
class RingView {
public:
    // Chip sizes in points.
    /// A column row without thumbnails.
    static constexpr QSizeF chipSize{240, 28};
    /// A column row with thumbnails.
    static constexpr QSizeF thumbnailRowSize{280, 48};
    static constexpr double rowThumbnailWidth = 60;
    static constexpr double chipGap = 5;
    /// An arc item without thumbnails.
    static constexpr QSizeF arcIconSize{40, 40};
    /// An arc item with thumbnails.
    static constexpr QSizeF arcThumbnailSize{96, 60};
    /// Most window chips on an arc; more windows than that leave the last place to a "+N" chip.
    static constexpr size_t maxArcCards = 9;
    /// Least room between neighbouring arc items.
    static constexpr double arcGap = 12;
    /// How much the aimed card's neighbours on the arc grow.
    static constexpr double neighbourGrowth = 1.12;
    static constexpr double defaultPreviewWidth = 280;
    static constexpr double previewHeightRatio = 19.0 / 28.0;
    static constexpr double minimumPreviewWidth = 160;
    /// Widest arc of window chips (150°) and of folder items or overflow apps (230°).
    static constexpr double arcMaxSpan = 2.6179938779914944;
    static constexpr double overflowMaxSpan = 4.014257279586958;

    explicit RingView(const Clock& clock);

    std::vector<RingApp> apps;
    RingLayout layout;
    QPointF ringCenter;
    /// Where chips must stay; empty means the view's bounds.
    QRectF placementBounds;
    /// The view's own rect, in view coordinates.
    QRectF bounds;
    std::optional<qint32> frontmostPID;
    /// The choice the look was made from.
    LookChoice lookChoice;
    bool dark = true;
    WindowLayout windowLayout = WindowLayout::Arc;
    bool showsThumbnails = false;
    std::function<QImage(quint32)> thumbnail = [](quint32) {
        return QImage();
    };
    /// The icon a chip brings of its own (overflow apps, files, folders); null for the others.
    /// Files and folders need the workspace, so whoever owns it installs a fuller provider.
    std::function<QImage(const WindowChip&)> chipIcon = [](const WindowChip& chip) {
        const auto* app = std::get_if<WindowChip::App>(&chip.kind);
        return app ? app->app.icon : QImage();
    };
    bool reduceMotion = false;
    double previewWidth = defaultPreviewWidth;

    std::function<void()> onClick;
    std::function<void(const KeyEvent&)> onKey;
    std::function<void()> onRightClick;
    std::function<DragOperation()> dropOperation;
    std::function<bool(const std::vector<QUrl>&)> performDrop;
    /// Told every rect that needs drawing again.
    std::function<void(const QRectF&)> onInvalidate;
    /// Asked to draw the invalid area at once instead of at the next frame.
    std::function<void()> onDisplayNow;

    // Properties whose change alters the picture.
    /// The look to draw with; none draws nothing.
    const std::shared_ptr<const RingLook>& look() const { return look_; }
    /// Pictures kept for the last look are forgotten: none of them is this one's.
    void setLook(std::shared_ptr<const RingLook> look);
    const std::vector<int>& windowCounts() const { return windowCounts_; }
    void setWindowCounts(std::vector<int> counts);
    std::optional<int> selectedApp() const { return selectedApp_; }
    void setSelectedApp(std::optional<int> index);
    std::optional<int> selectedChip() const { return selectedChip_; }
    void setSelectedChip(std::optional<int> index);
    const std::optional<QString>& notice() const { return notice_; }
    void setNotice(std::optional<QString> notice);
    double progress() const { return progress_; }
    void setProgress(double progress);

    // Chips.
    const std::vector<WindowChip>& chips() const { return chips_; }
    std::optional<int> chipsApp() const { return chipsApp_; }
    /// The layout the chips actually got: the arc, or the column.
    WindowLayout activeLayout() const { return activeLayout_; }
    /// Distance from the ring's centre to the arc items' centres (kept while the column shows).
    double arcRadius() const { return arcRadius_; }
    double chipSelectedAt() const { return chipSelectedAt_; }
    /// Places and shows the chips of entry `index`.
    void showChips(std::vector<WindowChip> chips, int index);
    void hideChips();
    /// The chip under or within `reach` of a point, never one under the ring itself.
    std::optional<int> chipIndex(QPointF point, double reach) const;
    /// The frame of the full-size preview of chip `index`; empty for an invalid index.
    QRectF magnifiedFrame(int index) const;
    QRectF ringRect() const;
    /// The union of all chip frames.
    QRectF chipsBounds() const;
    /// What must be drawn again when the chips change: their frames and previews, grown by 30.
    QRectF chipsDirtyRect() const;
    /// Whether window chips carry thumbnails.
    bool hasThumbnailChips() const;
    /// Whether the chips are folder items or overflow apps rather than windows.
    bool chipsAreItems() const;
    /// How far the selected chip's preview has grown, 0 to 1, eased.
    double magnifyProgress() const;

    // Chip placement, step by step.
    /// The size of one arc item.
    QSizeF arcItemSize() const;
    /// The size of one column row.
    QSizeF columnRowSize() const;
    /// A rect of `size` centred further out along `chip`'s direction, so that it grows outward
    /// from the chip's place, shifted into the bounds.
    QRectF outwardFrame(QSizeF size, const WindowChip& chip) const;
    /// A rect of `size` beside the chips, level with `row`, shifted vertically into the bounds.
    QRectF previewFrame(QSizeF size, const QRectF& row, bool right) const;
    /// Directions of `count` items of `item` size on a circle of `radius`: the first at `base`,
    /// the others alternately clockwise and counter-clockwise of it, each `arcGap` clear of the
    /// one before.
    static std::vector<double> arcAngles(int count, double base, double radius, QSizeF item);
    /// Places the chips on an arc beyond entry `index`, shortening the list with a "more" chip;
    /// false when no rotation of the arc fits the bounds.
    bool placeArc(int index);
    /// Places every chip in a column of rows beside, above or below the ring.
    void placeColumn(int index);
    /// The chips on either side of `index` along the arc.
    std::vector<int> arcNeighbors(int index) const;

    // Called by the controller and the panel.
    void thumbnailsChanged();
    void advanceAnimations();
    /// Marks the whole view for drawing.
    void invalidateAll();
    /// Forgets the composed cards, badge pictures and frame bitmaps it keeps between frames
    /// (memory relief, benchmarks of a first frame).
    void forgetPictures();
    /// What the drawing primitives keep from frame to frame for this view.
    paint::Caches& caches() { return caches_; }
    /// Draws what is invalid now.
    void displayNow();
    /// The union of the rects marked since the last call, then forgets them.
    QRectF takeInvalidRect();
    /// The window's picture was emptied: nothing drawn before shows any more.
    void contentsCleared();

    // Drawing.
    /// Draws one frame into `painter`, whose coordinates are the view's own (y up).
    void render(QPainter& painter);
    /// A rendered part of the view: a premultiplied ARGB bitmap at `scale` pixels per point
    /// covering `area` (view points).
    struct Layer {
        QImage image;
        QRectF area;
    };
    /// Where the view draws: the ring's square grown by 28 and the chip area, within the bounds.
    QRectF contentArea() const;
    /// Where anything shows now: the content area less the previews of chips not selected.
    QRectF shownArea() const;
    /// Renders what needs drawing and forgets it: for each marked piece of the content area a
    /// layer to replace that part of the window's picture. A layer without an image empties its
    /// area (what the view drew there before no longer belongs to it). None when nothing changed.
    std::vector<Layer> updateLayers(double scale);

    // Events from the window.
    void mouseDown(MouseButton button);
    void keyDown(const KeyEvent& event);
    DragOperation draggingOperation() const;
    bool performDragOperation(const std::vector<QUrl>& urls);

private:
    void invalidate(const QRectF& rect);
    void invalidateFrame();
    /// What the selection of chip `index` changes: the chip, its preview and its neighbours.
    QRectF selectionDirtyRect(std::optional<int> index) const;
    /// What aiming at entry `index` changes: its icon, shadow and badge, and the look's marks.
    QRectF entryDirtyRect(std::optional<int> index) const;
    /// The middle of the ring, where the aimed window's title shows.
    QRectF centerDirtyRect() const;
    /// Draws `area` (whole points) into a bitmap at `scale`.
    Layer drawLayer(const QRectF& area, double scale);
    /// Clears the chip selection without drawing; the caller marks what changed. True when
    /// a chip was selected.
    bool clearSelectedChip();
    QRectF effectiveBounds() const;
    /// Whether `rect` lies inside the placement bounds.
    bool insideBounds(const QRectF& rect) const;
    /// How far rects must move to come inside the placement bounds.
    QPointF slideIntoBounds(const QRectF& rect) const;
    /// Distance from the ring's centre that chips and previews keep.
    double clearance() const;

    // Drawing steps.
    QImage entryIcon(std::optional<int> index) const;
    /// The icon `chip` brings of its own, looked up before the frame when it is drawn off this
    /// thread.
    QImage ownIcon(const WindowChip& chip) const;
    /// A card on the arc as this frame draws it, in drawing order.
    struct ArcCard {
        int index = 0;
        QRectF frame;
        bool selected = false;
        /// Neither growing nor shrinking: drawn from a composed bitmap.
        bool settled = true;
    };
    std::vector<ArcCard> arcCards() const;
    /// The look's track along the arc's chips, below them.
    void drawArcTrack(QPainter& painter, const RingScene& scene) const;
    /// The arc's chips, after its track; `cards` are the thumbnail cards as `arcCards` gives them.
    void drawArc(QPainter& painter, const RingScene& scene,
                 const std::vector<ArcCard>& cards) const;
    void drawColumn(QPainter& painter, const RingScene& scene) const;
    void drawChip(QPainter& painter, const WindowChip& chip, const QImage& icon, bool selected,
                  const RingScene& scene) const;
    void drawArcIcon(QPainter& painter, const WindowChip& chip, int number, const QImage& icon,
                     bool selected, const RingScene& scene) const;
    void drawCard(QPainter& painter, const WindowChip& chip, const QRectF& rect, const QImage& icon,
                  const RingScene& scene) const;
    void drawMoreChip(QPainter& painter, int count, const QRectF& rect, bool selected) const;
    void drawThumbnail(QPainter& painter, const WindowChip& chip, const QRectF& rect,
                       const QPainterPath& clip, const QImage& icon, const QImage& image,
                       const RingScene& scene) const;
    /// The window's thumbnail for `chip`; null for other chips and windows not captured yet.
    QImage cardPicture(const WindowChip& chip) const;
    /// The look's window-count badge, copied from a picture drawn once per text.
    void drawBadge(QPainter& painter, const QString& text, QPointF point,
                   const RingScene& scene) const;
    /// A thumbnail card: the look's frame, the picture and the look's border.
    void drawThumbnailCard(QPainter& painter, const WindowChip& chip, const QRectF& frame,
                           bool selected, const QImage& icon, const RingScene& scene,
                           bool settled) const;
    void drawNotice(QPainter& painter) const;

    const Clock& clock_;
    std::shared_ptr<const RingLook> look_;
    std::vector<int> windowCounts_;
    std::optional<int> selectedApp_;
    std::optional<int> selectedChip_;
    std::optional<QString> notice_;
    double progress_ = 1.0;
    std::vector<WindowChip> chips_;
    std::optional<int> chipsApp_;
    WindowLayout activeLayout_ = WindowLayout::Column;
    double arcRadius_ = 0;
    double chipSelectedAt_;
    /// Whether the last frame drawn showed the preview still growing.
    bool drawnGrowing_ = false;
    QRectF invalid_;
    /// The marked rects, drawn piece by piece.
    std::vector<QRectF> dirty_;
    /// The content area as last drawn: the window shows nothing of the view outside it.
    QRectF drawnContent_;
    /// The shown area as last drawn.
    QRectF drawnShown_;
    /// The bounds of every piece drawn since the window's picture was last emptied: nothing
    /// outside needs emptying.
    QRectF inked_;

    struct CardKey {
        /// The look's serial.
        quint64 look = 0;
        bool dark = false;
        quint64 picture = 0;
        quint64 icon = 0;
        QSizeF size;
        QSize pixels;
        bool selected = false;
        bool minimized = false;
        bool operator==(const CardKey&) const = default;
    };
    struct CardComposite {
        CardKey key;
        QImage picture;
        /// Where the picture lies in the card's bitmap with its full shadow margin.
        QRect used;
        quint64 lastUse = 0;
    };
    mutable std::vector<CardComposite> cardComposites_;
    mutable quint64 cardClock_ = 0;
    /// The cache keys of the window pictures drawn since the chips were shown. Each opening
    /// draws pictures decoded afresh, so their scaled copies are let go of with the chips.
    mutable std::vector<qint64> chipPictures_;
    /// Room around a card for its widest shadow.
    static constexpr double cardMargin = 48;
    CardKey cardKey(const WindowChip& chip, const QRectF& frame, bool selected,
                    const QImage& picture, const QImage& icon, double scale) const;
    /// The composed card with `key`, now the most recently used, or null.
    const CardComposite* composedCard(const CardKey& key) const;
    const CardComposite& keepCard(CardComposite composite) const;
    /// Where the `used` part of a card's bitmap lies, in points.
    static QRectF cardPlace(const QRectF& frame, const QRect& used, double scale);
    /// The card drawn into a bitmap of its own, trimmed to what it covers; touches nothing
    /// but its result, so it may run beside the frame's drawing.
    std::optional<CardComposite> composeCard(const WindowChip& chip, const QRectF& frame,
                                             bool selected, const QImage& icon,
                                             const QImage& picture, const RingScene& scene,
                                             const CardKey& key, double scale,
                                             QPainter::RenderHints hints) const;
    /// A settled arc card this frame draws and nobody has composed yet.
    struct PendingCard {
        int index = 0;
        QRectF frame;
        bool selected = false;
        QImage picture;
        CardKey key;
        std::optional<CardComposite> composite;
    };
    std::vector<PendingCard> cardsToCompose(const QPainter& painter,
                                            const std::vector<ArcCard>& cards) const;
    struct BadgePicture {
        /// The look's serial.
        quint64 look = 0;
        bool dark = false;
        QString text;
        QImage picture;
    };
    mutable std::vector<BadgePicture> badgePictures_;
    /// The chips' own icons for the frame being drawn.
    std::vector<QImage> ownIcons_;
    /// Bitmaps of recent frames, drawn into again once their holders let go of them.
    std::array<QImage, 2> frames_;
    /// Shadows, layers, pictures and shapes kept from frame to frame; the frame's thread draws
    /// with them, cards composed beside it with those beside them.
    paint::Caches caches_;
};

}  // namespace tandri
