// SPDX-License-Identifier: MIT
#include "diagnostics/snapshot.h"

#include <QImage>
#include <QPainter>

#include "catalogue/appsource.h"
#include "diagnostics/pictures.h"
#include "platform/platform.h"
#include "platform/workspace.h"
#include "prefs/settings.h"
#include "ring/ringlook.h"
#include "ring/ringview.h"
#include "ring/windowchip.h"
#include "windows/thumbnailcache.h"
#include "windows/windowsource.h"

namespace tandri::Snapshot {

namespace {

constexpr double pictureScale = 2.0;

}  // namespace

QImage picture(RingView& view) {
    const QImage drawing = Pictures::drawView(view, pictureScale);
    QImage picture(drawing.size(), QImage::Format_ARGB32_Premultiplied);
    picture.fill(QColor::fromRgbF(0.32f, 0.32f, 0.32f));
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    const double r = view.layout.outerRadius();
    // The ring's centre, flipped into the picture's rows.
    const QPointF centre(view.ringCenter.x() * pictureScale,
                         (view.bounds.height() - view.ringCenter.y()) * pictureScale);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor::fromRgbF(0.12f, 0.12f, 0.12f));
    painter.drawEllipse(centre, r * pictureScale, r * pictureScale);
    painter.drawImage(QRectF(picture.rect()), drawing);
    painter.end();
    return picture;
}

Scene prepare(Platform& platform, ThumbnailCache& thumbnails, std::optional<int> index) {
    Preferences& prefs = platform.preferences;
    Settings::registerDefaults(prefs);
    const bool dock = Settings::appSet(prefs) == AppSet::DockAndOpen;
    const std::vector<RingApp> entries = AppSource::ringApps(platform, dock);

    const bool trusted = WindowSource::isTrusted(platform.accessibility);
    WindowTable windows;
    WindowCounts counts;
    if (trusted) {
        std::vector<qint32> pids;
        for (const auto& entry : entries) {
            if (const auto pid = entry.pid())
                pids.push_back(*pid);
        }
        windows = WindowSource::windows(platform.accessibility, pids);
        for (const auto& [pid, list] : windows) counts[pid] = static_cast<int>(list.size());
    } else {
        counts = WindowSource::visibleCounts(platform.windowList);
    }

    const RingLayout layout(static_cast<int>(entries.size()));
    Scene scene{std::make_unique<RingView>(platform.clock), trusted, std::nullopt};
    RingView& view = *scene.view;
    view.layout = layout;
    view.bounds = QRectF(0, 0, layout.size + 640, layout.size + 360);
    view.ringCenter = view.bounds.center();
    const bool dark = platform.workspace.darkAppearance();
    view.lookChoice = Settings::currentLook(prefs, platform.workspace, dark);
    view.setLook(makeLook(view.lookChoice));
    view.dark = dark;
    view.apps = entries;
    view.frontmostPID = platform.workspace.frontmostPID();
    // With chips turned off the ring draws no badges, and the running ring shows no chips; its
    // picture still shows the chips of the entry asked for, in the column, the layout that is
    // not the arc, with thumbnails as stored.
    view.windowLayout = Settings::windowLayout(prefs);
    view.showsThumbnails = Settings::showsThumbnails(prefs, platform.windowList);
    view.previewWidth = Settings::previewSize(prefs);
    view.thumbnail = [&thumbnails](quint32 id) {
        return thumbnails.image(id);
    };
    Workspace& workspace = platform.workspace;
    view.chipIcon = [&workspace](const WindowChip& chip) {
        return chip.icon(workspace);
    };
    // A still picture shows the selected window's preview fully grown.
    view.reduceMotion = true;
    std::vector<int> entryCounts;
    for (const auto& entry : entries) {
        const auto pid = entry.pid();
        const auto count = pid ? counts.find(*pid) : counts.end();
        entryCounts.push_back(count != counts.end() ? count->second : 0);
    }
    view.setWindowCounts(std::move(entryCounts));

    if (index && *index >= 0 && *index < static_cast<int>(entries.size())) {
        const RingApp& entry = entries[*index];
        view.setSelectedApp(*index);
        const auto pid = entry.pid();
        auto chips = pid ? WindowChip::chips(*pid, windows, counts, trusted) : std::nullopt;
        if (chips && !chips->empty()) {
            if (view.showsThumbnails) {
                std::vector<quint32> ids;
                for (const auto& chip : *chips) {
                    if (const auto* window = std::get_if<WindowChip::Window>(&chip.kind);
                        window && window->info.id)
                        ids.push_back(*window->info.id);
                }
                thumbnails.captureNow(ids);
            }
            view.showChips(std::move(*chips), *index);
            view.setSelectedChip(0);
            scene.expanded = entry.name;
        }
    }
    return scene;
}

bool run(Platform& platform, ThumbnailCache& thumbnails, const QString& path,
         std::optional<int> index, QTextStream& out, QTextStream& err) {
    const Scene scene = prepare(platform, thumbnails, index);
    QString error;
    if (!Pictures::writePNG(picture(*scene.view), path, &error)) {
        err << "tandri: cannot write the snapshot to " << path << " (" << error << ")\n";
        err.flush();
        return false;
    }
    out << "Accessibility: " << (scene.trusted ? "allowed" : "not allowed")
        << "; expanded app: " << scene.expanded.value_or(QStringLiteral("none")) << '\n';
    out.flush();
    return true;
}

}  // namespace tandri::Snapshot
