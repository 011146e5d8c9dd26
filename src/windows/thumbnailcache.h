// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QImage>
#include <QRectF>
#include <QSize>
#include <QSizeF>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <vector>

#include "platform/common/liveness.h"
#include "windows/thumbnailsource.h"

namespace tandri {

struct Platform;

/// Pictures of windows for the chips. Captures one window at a time, keeps each picture as JPEG
/// data for as long as the window exists, decodes it only when the ring draws it (a picture that
/// arrives while the ring draws is kept as taken), and drops the decoded pictures when the ring
/// closes. Main thread; each picture is taken, scaled and encoded in
/// the background, and arrives back on the main thread.
class ThumbnailCache : public ThumbnailSource {
public:
    /// A picture is taken again at most this often, in seconds.
    static constexpr double refreshInterval = 3.0;
    static constexpr int jpegQuality = 80;
    /// Pictures are at least this wide unless the window is narrower.
    static constexpr double minimumWidth = 640;

    explicit ThumbnailCache(Platform& platform);
    ~ThumbnailCache() override;
    ThumbnailCache(const ThumbnailCache&) = delete;
    ThumbnailCache& operator=(const ThumbnailCache&) = delete;

    void request(const std::vector<quint32>& ids, bool urgent) override;
    QImage image(quint32 id) override;
    void prune(const std::set<quint32>& keep) override;
    void releaseDecoded() override;
    void setOnUpdate(std::function<void()> onUpdate) override;

    /// Whether windows may be captured.
    bool hasPermission() const;
    /// Asks for the permission to capture windows.
    void requestPermission();
    /// Captures the windows at once on this thread, one after another, and stores their
    /// pictures; for one-shot runs that have no event loop to wait in.
    void captureNow(const std::vector<quint32>& ids);

    /// The picture size for a window of `frame` points when the preview is `previewSize` wide:
    /// about twice the preview width, at least `minimumWidth`, never larger than the window.
    static QSize captureSize(QSizeF frame, double previewSize);
    /// The picture as JPEG data; empty when it cannot be encoded. Any thread.
    static QByteArray encode(const QImage& image);

    // State, for tests.
    /// Windows waiting to be captured, in capture order.
    const std::vector<quint32>& queue() const { return queue_; }
    /// Whether a capture pass runs: a capture is waiting, running, or on its way back.
    bool working() const { return working_; }
    /// The stored JPEG data of a window; empty when there is none.
    QByteArray stored(quint32 id) const;
    std::set<quint32> storedIDs() const;
    std::set<quint32> decodedIDs() const;
    /// When the window's stored picture was taken.
    std::optional<double> capturedAt(quint32 id) const;

private:
    struct CaptureGate;

    void beginPass();
    void captureNext();
    /// Keeps `data`, and `picture` as its decoded form while the ring draws pictures.
    void store(quint32 id, const QByteArray& data, const QImage& picture);
    std::optional<QSize> sizeFor(quint32 id) const;

    Platform& platform_;
    Liveness alive_;
    /// Shared with the capture in the background, which may outlive the cache.
    std::shared_ptr<CaptureGate> gate_;
    std::function<void()> onUpdate_;
    std::map<quint32, QByteArray> stored_;
    std::map<quint32, QImage> decoded_;
    /// Whether a picture was asked for since the decoded ones were last released.
    bool drawing_ = false;
    std::map<quint32, double> capturedAt_;
    std::vector<quint32> queue_;
    bool working_ = false;
    /// The frames of the windows the running pass may capture.
    std::map<quint32, QRectF> shareable_;
};

}  // namespace tandri
