// SPDX-License-Identifier: MIT
#pragma once

#include <QImage>
#include <QString>
#include <QTextStream>
#include <memory>
#include <optional>

#include "ring/ringview.h"

namespace tandri {

struct Platform;
class ThumbnailCache;

/// "--snapshot PATH [INDEX]": a picture of the ring as it would open now.
namespace Snapshot {

/// The ring as the snapshot shows it.
struct Scene {
    std::unique_ptr<RingView> view;
    bool trusted = false;
    /// The name of the entry whose chips are shown.
    std::optional<QString> expanded;
};

/// Builds the view: every entry with its window count, the current look and window layout, the
/// entry at `index` selected and, when it has chips, the chips shown with the first one selected
/// and their windows' pictures taken.
Scene prepare(Platform& platform, ThumbnailCache& thumbnails, std::optional<int> index);
/// The view drawn at two pixels a point over a grey background, with a darker disc behind the
/// ring.
QImage picture(RingView& view);

/// Renders the ring with the entry at `index` selected (and its window chips shown, when it has
/// some) into a PNG at `path`, then prints the accessibility state and the expanded entry on
/// `out`. Returns false, with the reason on `err`, when the picture cannot be written.
bool run(Platform& platform, ThumbnailCache& thumbnails, const QString& path,
         std::optional<int> index, QTextStream& out, QTextStream& err);

}  // namespace Snapshot
}  // namespace tandri
