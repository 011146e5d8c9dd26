// SPDX-License-Identifier: MIT
#include "diagnostics/pictures.h"

#include <QPainter>
#include <QSaveFile>
#include <algorithm>
#include <vector>

#include "ring/ringlook.h"
#include "ring/ringpanel.h"
#include "ring/ringview.h"

namespace tandri::Pictures {

namespace {

/// How far the backdrop blurs, in points, and its tints: as the X11 window draws them.
constexpr double blurRadius = 20;
const QColor hudTint(20, 20, 22, 120);
const QColor popoverTint(250, 250, 250, 90);

}  // namespace

QImage drawView(RingView& view, double scale) {
    const QSizeF size = view.bounds.size();
    QImage image(int(size.width() * scale), int(size.height() * scale),
                 QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    // The painter works in points, as it does for the ring's panel.
    image.setDevicePixelRatio(scale);
    QPainter painter(&image);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform |
                           QPainter::TextAntialiasing);
    // View coordinates run y up from the bottom-left.
    painter.translate(0, size.height());
    painter.scale(1, -1);
    view.render(painter);
    painter.end();
    image.setDevicePixelRatio(1);
    return image;
}

QImage overScreen(RingView& view, const QImage& screen, double scale) {
    QImage picture = screen.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const auto backdrop = view.look() ? RingPanel::backdrop(view.look()->backdrop(), view.layout,
                                                            view.ringCenter, scale)
                                      : std::nullopt;
    if (backdrop) {
        const QRectF& frame = backdrop->frame;
        const QRect rect =
            QRectF(frame.x() * scale, (view.bounds.height() - frame.y() - frame.height()) * scale,
                   frame.width() * scale, frame.height() * scale)
                .toAlignedRect();
        // A margin, so that the edges blur with what lies around them.
        const int margin = int(blurRadius * scale);
        const QRect source = rect.adjusted(-margin, -margin, margin, margin) & screen.rect();
        QImage blur = blurred(screen.copy(source), blurRadius * scale);
        QPainter tint(&blur);
        tint.fillRect(blur.rect(),
                      backdrop->material == OverlayBackdrop::Material::Hud ? hudTint : popoverTint);
        tint.end();
        QImage shaped(rect.size(), QImage::Format_ARGB32_Premultiplied);
        shaped.fill(Qt::transparent);
        QPainter shape(&shaped);
        shape.drawImage(source.topLeft() - rect.topLeft(), blur);
        shape.setCompositionMode(QPainter::CompositionMode_DestinationIn);
        shape.drawImage(QRect(QPoint(), rect.size()), backdrop->mask);
        shape.end();
        painter.drawImage(rect.topLeft(), shaped);
    }
    painter.drawImage(0, 0, drawView(view, scale));
    painter.end();
    return picture;
}

QImage blurred(const QImage& image, double radius) {
    if (image.isNull())
        return image;
    // Halved until a pixel spans about the radius, then doubled back, each step a smooth
    // scaling: a blur without banding, in a few passes over ever smaller copies.
    std::vector<QSize> sizes{image.size()};
    QImage result = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    for (double span = 2; span < radius && sizes.back().width() > 2 && sizes.back().height() > 2;
         span *= 2) {
        sizes.push_back(sizes.back() / 2);
        result = result.scaled(sizes.back(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    for (auto size = sizes.rbegin() + 1; size < sizes.rend(); ++size)
        result = result.scaled(*size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return result;
}

QImage cropped(const QImage& image, const QRect& around, QSize size) {
    size = size.boundedTo(image.size());
    const QPoint centre = around.center();
    const int x = std::clamp(centre.x() - size.width() / 2, 0, image.width() - size.width());
    const int y = std::clamp(centre.y() - size.height() / 2, 0, image.height() - size.height());
    return image.copy(QRect(QPoint(x, y), size));
}

bool writePNG(const QImage& image, const QString& path, QString* error) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = file.errorString();
        return false;
    }
    if (!image.save(&file, "PNG")) {
        file.cancelWriting();
        *error = QStringLiteral("the picture could not be encoded");
        return false;
    }
    if (!file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}

}  // namespace tandri::Pictures
