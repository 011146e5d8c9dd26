// SPDX-License-Identifier: MIT
#include "windows/thumbnailcache.h"

#include <QBuffer>
#include <QImageWriter>
#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <mutex>

#include "platform/clock.h"
#include "platform/platform.h"
#include "platform/queues.h"
#include "platform/screencapture.h"
#include "prefs/settings.h"

namespace tandri {

namespace {

std::map<quint32, QRectF> byID(const std::vector<ShareableWindow>& windows) {
    std::map<quint32, QRectF> result;
    // When two windows report the same number, the first one wins.
    for (const auto& window : windows) result.emplace(window.id, window.frame);
    return result;
}

template <typename Map>
std::set<quint32> keys(const Map& map) {
    std::set<quint32> result;
    for (const auto& entry : map) result.insert(entry.first);
    return result;
}

}  // namespace

// Lets captures in the background reach the capture service only while the cache exists: once
// the cache closes it, a capture not yet started never starts, and the closing waits for one
// that runs, so the service may go right after the cache.
struct ThumbnailCache::CaptureGate {
    std::mutex mutex;
    std::condition_variable idle;
    bool open = true;
    bool running = false;

    bool enter() {
        std::lock_guard lock(mutex);
        running = open;
        return running;
    }
    void leave() {
        {
            std::lock_guard lock(mutex);
            running = false;
        }
        idle.notify_all();
    }
    void close() {
        std::unique_lock lock(mutex);
        open = false;
        idle.wait(lock, [this] { return !running; });
    }
};

ThumbnailCache::ThumbnailCache(Platform& platform)
    : platform_(platform), gate_(std::make_shared<CaptureGate>()) {}

ThumbnailCache::~ThumbnailCache() {
    gate_->close();
}

void ThumbnailCache::request(const std::vector<quint32>& ids, bool urgent) {
    const double now = platform_.clock.now();
    std::vector<quint32> due;
    for (const quint32 id : ids) {
        const auto at = capturedAt_.find(id);
        const bool fresh = at != capturedAt_.end() && now - at->second <= refreshInterval;
        if (!fresh && std::find(due.begin(), due.end(), id) == due.end())
            due.push_back(id);
    }
    if (due.empty())
        return;
    std::erase_if(queue_,
                  [&](quint32 id) { return std::find(due.begin(), due.end(), id) != due.end(); });
    queue_.insert(urgent ? queue_.begin() : queue_.end(), due.begin(), due.end());
    if (working_)
        return;  // the running pass takes the new ids from the live queue
    working_ = true;
    platform_.queues.main([this, alive = alive_.watch()] {
        if (alive)
            beginPass();
    });
}

void ThumbnailCache::beginPass() {
    const auto windows = platform_.screenCapture.shareableWindows();
    if (!windows) {
        // Without the permission nothing can be captured; the next request tries again.
        queue_.clear();
        working_ = false;
        return;
    }
    shareable_ = byID(*windows);
    captureNext();
}

std::optional<QSize> ThumbnailCache::sizeFor(quint32 id) const {
    const auto window = shareable_.find(id);
    // Minimized, on another desktop, closed, or too small to show anything.
    if (window == shareable_.end() || window->second.width() <= 1 || window->second.height() <= 1)
        return std::nullopt;
    const QSize size =
        captureSize(window->second.size(), Settings::previewSize(platform_.preferences));
    if (size.isEmpty())
        return std::nullopt;
    return size;
}

void ThumbnailCache::captureNext() {
    while (!queue_.empty()) {
        const quint32 id = queue_.front();
        queue_.erase(queue_.begin());
        const auto size = sizeFor(id);
        if (!size)
            continue;
        Queues& queues = platform_.queues;
        ScreenCapture& capture = platform_.screenCapture;
        queues.background(Queues::Priority::Utility, [&queues, &capture, gate = gate_, id,
                                                      size = *size, alive = alive_.watch(), this] {
            if (!gate->enter())
                return;  // the cache is gone
            QImage picture = capture.capture(id, size);
            gate->leave();
            // A window that vanished, or a capture that failed, gives no data.
            QByteArray data = encode(picture);
            queues.main([data = std::move(data), picture = std::move(picture), id, alive, this] {
                if (!alive)
                    return;
                // Without a picture the previous one stays, with its date, so the next
                // request tries again.
                if (!data.isEmpty())
                    store(id, data, picture);
                captureNext();
            });
        });
        return;
    }
    working_ = false;
    shareable_.clear();
}

void ThumbnailCache::store(quint32 id, const QByteArray& data, const QImage& picture) {
    stored_[id] = data;
    // While the ring draws pictures it would decode this one at once, on the main thread: the
    // picture as taken stands in for it. Otherwise the next image() decodes the fresh data.
    if (drawing_ && !picture.isNull())
        decoded_[id] = picture;
    else
        decoded_.erase(id);
    capturedAt_[id] = platform_.clock.now();
    if (onUpdate_) {
        auto onUpdate = onUpdate_;  // a copy: it may replace itself
        onUpdate();
    }
}

void ThumbnailCache::captureNow(const std::vector<quint32>& ids) {
    const auto windows = platform_.screenCapture.shareableWindows();
    if (!windows)
        return;
    const std::map<quint32, QRectF> saved = std::exchange(shareable_, byID(*windows));
    for (const quint32 id : ids) {
        std::erase(queue_, id);
        const auto size = sizeFor(id);
        if (!size)
            continue;
        const QByteArray data = encode(platform_.screenCapture.capture(id, *size));
        if (!data.isEmpty())
            store(id, data, {});
    }
    // A pass that runs keeps the windows it started with.
    shareable_ = saved;
}

QImage ThumbnailCache::image(quint32 id) {
    drawing_ = true;
    if (const auto found = decoded_.find(id); found != decoded_.end())
        return found->second;
    const auto data = stored_.find(id);
    if (data == stored_.end())
        return {};
    QImage picture;
    // Data that does not decode stays stored until it is replaced or pruned.
    if (!picture.loadFromData(data->second, "JPEG"))
        return {};
    decoded_[id] = picture;
    return picture;
}

void ThumbnailCache::prune(const std::set<quint32>& keep) {
    const auto gone = [&](const auto& entry) {
        return !keep.contains(entry.first);
    };
    std::erase_if(stored_, gone);
    std::erase_if(decoded_, gone);
    std::erase_if(capturedAt_, gone);
}

void ThumbnailCache::releaseDecoded() {
    decoded_.clear();
    drawing_ = false;
}

void ThumbnailCache::setOnUpdate(std::function<void()> onUpdate) {
    onUpdate_ = std::move(onUpdate);
}

bool ThumbnailCache::hasPermission() const {
    return platform_.screenCapture.hasPermission();
}

void ThumbnailCache::requestPermission() {
    platform_.screenCapture.requestPermission();
}

QSize ThumbnailCache::captureSize(QSizeF frame, double previewSize) {
    if (frame.width() <= 0 || frame.height() <= 0)
        return {};
    const double target = std::max(2 * previewSize, minimumWidth);
    const double s = std::min(target / frame.width(), 1.0);
    // Cut toward zero; the tolerance keeps 1000 × 0.64 from landing just below 640.
    return QSize(int(std::floor(frame.width() * s + 1e-9)),
                 int(std::floor(frame.height() * s + 1e-9)));
}

QByteArray ThumbnailCache::encode(const QImage& image) {
    if (image.isNull())
        return {};
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(jpegQuality);
    if (!writer.write(image))
        return {};
    return data;
}

QByteArray ThumbnailCache::stored(quint32 id) const {
    const auto found = stored_.find(id);
    return found == stored_.end() ? QByteArray() : found->second;
}

std::set<quint32> ThumbnailCache::storedIDs() const {
    return keys(stored_);
}

std::set<quint32> ThumbnailCache::decodedIDs() const {
    return keys(decoded_);
}

std::optional<double> ThumbnailCache::capturedAt(quint32 id) const {
    const auto found = capturedAt_.find(id);
    return found == capturedAt_.end() ? std::nullopt : std::optional<double>(found->second);
}

}  // namespace tandri
