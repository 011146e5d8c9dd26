// SPDX-License-Identifier: MIT
#pragma once

#include <QImage>
#include <functional>
#include <set>
#include <vector>

namespace tandri {

/// Window pictures for the chips, as the ring asks for them. Main thread.
class ThumbnailSource {
public:
    virtual ~ThumbnailSource() = default;
    /// Queues captures of windows whose picture is missing or stale; urgent ones go first.
    virtual void request(const std::vector<quint32>& ids, bool urgent) = 0;
    /// The window's picture, decoded on first use; null when there is none.
    virtual QImage image(quint32 id) = 0;
    /// Forgets every picture of a window not in `keep`.
    virtual void prune(const std::set<quint32>& keep) = 0;
    /// Drops decoded pictures, keeping the compressed ones.
    virtual void releaseDecoded() = 0;
    /// Runs `onUpdate` on the main thread after each new picture.
    virtual void setOnUpdate(std::function<void()> onUpdate) = 0;
};

}  // namespace tandri
