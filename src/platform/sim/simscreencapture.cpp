// SPDX-License-Identifier: MIT
#include "platform/sim/simscreencapture.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>

#include "platform/common/drawnicons.h"

namespace tandri::sim {

namespace {

constexpr double titleBarHeight = 28;

// The windows a capture may see: on screen, with a number, of an app that shows them. Expects the
// state's mutex to be held.
template <typename Visit>
void forEachShareable(const SimState& state, Visit visit) {
    for (const auto& app : state.apps) {
        if (app.terminated || app.hidden)
            continue;
        for (const auto& window : app.windows) {
            if (window.id && window.onScreen && !window.minimized)
                visit(app, window);
        }
    }
}

// The window drawn in its own points: a title bar with the traffic lights and the title, a light
// body with lines of content, and a band in the app's colour.
void drawWindow(QPainter& painter, QSizeF size, const QString& title, const QColor& accent) {
    const QRectF all(QPointF(0, 0), size);
    painter.fillRect(all, QColor(250, 250, 248));

    const QRectF bar(0, 0, size.width(), std::min(titleBarHeight, size.height()));
    painter.fillRect(bar, QColor(232, 232, 230));
    painter.fillRect(QRectF(0, bar.bottom() - 1, size.width(), 1), QColor(200, 200, 198));
    const QColor lights[] = {QColor(255, 95, 87), QColor(254, 188, 46), QColor(40, 200, 64)};
    for (int i = 0; i < 3; ++i) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(lights[i]);
        painter.drawEllipse(QPointF(14 + i * 20, bar.center().y()), 6, 6);
    }
    QFont font = painter.font();
    font.setPixelSize(13);
    font.setWeight(QFont::DemiBold);
    painter.setFont(font);
    painter.setPen(QColor(60, 60, 60));
    painter.drawText(bar.adjusted(76, 0, -12, 0), Qt::AlignCenter,
                     painter.fontMetrics().elidedText(title, Qt::ElideRight,
                                                      int(std::max(0.0, bar.width() - 88))));

    // A sidebar in the app's colour and a column of text lines.
    const double top = bar.bottom();
    const double sidebar = std::min(size.width() * 0.22, 180.0);
    painter.fillRect(QRectF(0, top, sidebar, size.height() - top), accent.lighter(185));
    painter.fillRect(QRectF(sidebar - 3, top, 3, size.height() - top), accent);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(205, 207, 212));
    const double left = sidebar + 24;
    const double width = size.width() - left - 24;
    int line = 0;
    for (double y = top + 24; y + 10 < size.height() - 12 && width > 0; y += 22, ++line) {
        // Paragraphs of lines of varying length, the same for every capture.
        if (line % 5 == 4)
            continue;
        const double fraction = 0.55 + 0.4 * ((line * 37) % 11) / 10.0;
        painter.drawRoundedRect(QRectF(left, y, width * fraction, 9), 4, 4);
    }
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(150, 150, 150), 1));
    painter.drawRect(all.adjusted(0.5, 0.5, -0.5, -0.5));
}

}  // namespace

SimScreenCapture::SimScreenCapture(SimState& state) : state_(state) {}

bool SimScreenCapture::hasPermission() const {
    std::lock_guard lock(state_.mutex);
    return state_.screenCapture;
}

void SimScreenCapture::requestPermission() {
    std::lock_guard lock(state_.mutex);
    state_.log(QStringLiteral("request-screen-capture"));
}

std::optional<std::vector<ShareableWindow>> SimScreenCapture::shareableWindows() const {
    std::lock_guard lock(state_.mutex);
    if (!state_.screenCapture)
        return std::nullopt;
    std::vector<ShareableWindow> result;
    forEachShareable(state_, [&](const SimState::App&, const SimState::Window& window) {
        result.push_back({*window.id, window.frame});
    });
    return result;
}

QImage SimScreenCapture::capture(quint32 windowID, QSize pixels) {
    QString title;
    QString appName;
    QSizeF frame;
    bool found = false;
    {
        std::lock_guard lock(state_.mutex);
        if (!state_.screenCapture)
            return {};
        forEachShareable(state_, [&](const SimState::App& app, const SimState::Window& window) {
            if (found || *window.id != windowID)
                return;
            found = true;
            title = window.title.value_or(QString());
            appName = app.name.value_or(QString());
            frame = window.frame.size();
        });
    }
    if (!found || pixels.isEmpty() || frame.isEmpty())
        return {};
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(pixels.width() / frame.width(), pixels.height() / frame.height());
    drawWindow(painter, frame, title, DrawnIcons::colourFor(appName));
    painter.end();
    return image;
}

}  // namespace tandri::sim
