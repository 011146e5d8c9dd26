// SPDX-License-Identifier: MIT
#pragma once

// The ring of the simulated desktop drawn at scale 2, open on its first entry, in one look, with
// or without nine arc chips carrying window pictures.
#include <QImage>
#include <QPainter>
#include <vector>

#include "benchdesktop.h"
#include "ring/ringlook.h"

namespace tandri::bench {

constexpr double scale = 2;
constexpr int arcChips = 9;

// Every window has a picture of its own, as every window's thumbnail differs.
inline QImage windowPicture(int window) {
    QImage image(640, 400, QImage::Format_ARGB32_Premultiplied);
    image.fill(QColor(230, 232, 236));
    QPainter painter(&image);
    painter.fillRect(QRect(0, 0, 640, 28), QColor(200, 202, 206));
    painter.fillRect(QRect(0, 28, 150 + 10 * window, 372), QColor(90, 140, 210));
    return image;
}

struct RenderBench : Bench {
    static constexpr quint32 firstWindow = 500;

    RenderBench(RingStyle style, bool chips) {
        ring.openSticky();
        queues.drain();
        RingView& v = view();
        v.setProgress(1);
        v.setLook(makeLook(LookChoice{style, standardBackground(style), true}));
        v.setSelectedApp(0);
        if (!chips)
            return;
        v.windowLayout = WindowLayout::Arc;
        v.showsThumbnails = true;
        v.reduceMotion = true;
        std::vector<QImage> pictures;
        for (int i = 0; i < arcChips; ++i) pictures.push_back(windowPicture(i));
        v.thumbnail = [pictures](quint32 id) {
            return pictures[(id - firstWindow) % pictures.size()];
        };
        showChips();
    }
    /// Chips for the windows `ids`; by default nine made-up ones.
    void showChips(std::vector<quint32> ids = {}) {
        if (ids.empty()) {
            for (int i = 0; i < arcChips; ++i) ids.push_back(firstWindow + quint32(i));
        }
        std::vector<WindowChip> list;
        for (std::size_t i = 0; i < ids.size(); ++i) {
            WindowInfo info;
            info.title = QStringLiteral("Document %1").arg(i);
            info.id = ids[i];
            list.emplace_back(WindowChip::Window{info});
        }
        view().showChips(std::move(list), 0);
        view().setSelectedChip(0);
    }
    RingView& view() { return ring.panel().ringView(); }
    /// The pointer moves on: to the next entry, or to the next chip when chips are shown.
    void moveOn() {
        RingView& v = view();
        if (v.chips().empty()) {
            v.setSelectedApp((*v.selectedApp() + 1) % static_cast<int>(v.apps.size()));
        } else {
            v.setSelectedChip((*v.selectedChip() + 1) % static_cast<int>(v.chips().size()));
        }
    }
    std::vector<RingView::Layer> frame() { return view().updateLayers(scale); }
};

}  // namespace tandri::bench
