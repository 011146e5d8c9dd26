#pragma once

#include <QImage>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <QUrl>
#include <functional>
#include <optional>
#include <vector>

#include "catalogue/ringapp.h"
#include "platform/overlay.h"
#include "ring/lookchoice.h"
#include "ring/ringlayout.h"
#include "ring/windowchip.h"
#include "ring/windowlayout.h"

namespace tandri {

class Clock;

/// The ring's one view: everything the controller tells it about the current opening, where the
/// chips go, which chip a point hits, and which parts of it need drawing again.
class RingView {
public:
    // Chip sizes in points.
    static constexpr QSizeF chipSize{240, 28};
    static constexpr QSizeF thumbnailRowSize{280, 48};
    static constexpr double chipGap = 5;
    static constexpr double defaultPreviewWidth = 280;

    explicit RingView(const Clock& clock);

    std::vector<RingApp> apps;
    RingLayout layout;
    QPointF ringCenter;
    /// Where chips must stay; empty means the view's bounds.
    QRectF placementBounds;
    /// The view's own rect, in view coordinates.
    QRectF bounds;
    std::optional<qint32> frontmostPID;
    LookChoice look;
    bool dark = true;
    WindowLayout windowLayout = WindowLayout::Arc;
    bool showsThumbnails = false;
    std::function<QImage(quint32)> thumbnail = [](quint32) {
        return QImage();
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
    WindowLayout activeLayout() const { return activeLayout_; }
    double chipSelectedAt() const { return chipSelectedAt_; }
    /// Places and shows the chips of entry `index`.
    void showChips(std::vector<WindowChip> chips, int index);
    void hideChips();
    /// The chip under or within `reach` of a point, never one under the ring itself.
    std::optional<int> chipIndex(QPointF point, double reach) const;
    QRectF ringRect() const;
    QRectF chipsBounds() const;
    QRectF chipsDirtyRect() const;
    /// Whether window chips carry thumbnails.
    bool hasThumbnailChips() const;
    /// Whether the chips are folder items or overflow apps rather than windows.
    bool chipsAreItems() const;
    /// How far the selected chip's preview has grown, 0 to 1, eased.
    double magnifyProgress() const;

    // Called by the controller and the panel.
    void thumbnailsChanged();
    void advanceAnimations();
    /// Marks the whole view for drawing.
    void invalidateAll();
    /// Draws what is invalid now.
    void displayNow();
    /// The union of the rects marked since the last call, then forgets them.
    QRectF takeInvalidRect();

    // Events from the window.
    void mouseDown(MouseButton button);
    void keyDown(const KeyEvent& event);
    DragOperation draggingOperation() const;
    bool performDragOperation(const std::vector<QUrl>& urls);

private:
    void invalidate(const QRectF& rect);
    void invalidateFrame();
    QRectF effectiveBounds() const;
    void placeColumn(int index);

    const Clock& clock_;
    std::vector<int> windowCounts_;
    std::optional<int> selectedApp_;
    std::optional<int> selectedChip_;
    std::optional<QString> notice_;
    double progress_ = 1.0;
    std::vector<WindowChip> chips_;
    std::optional<int> chipsApp_;
    WindowLayout activeLayout_ = WindowLayout::Column;
    double chipSelectedAt_;
    QRectF invalid_;
};

}  // namespace tandri
