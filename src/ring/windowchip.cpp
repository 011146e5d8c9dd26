// SPDX-License-Identifier: MIT
#include "ring/windowchip.h"

#include "catalogue/appsource.h"
#include "catalogue/urlpaths.h"

namespace tandri {
namespace {

template <class... Ts>
struct Overloaded : Ts... {
    using Ts::operator()...;
};
// GCC deduces it from the aggregate; Clang before 17 needs the guide.
template <class... Ts>
Overloaded(Ts...) -> Overloaded<Ts...>;

}  // namespace

QString WindowChip::title() const {
    return std::visit(
        Overloaded{
            [](const Window& w) {
                return w.info.title.isEmpty() ? QStringLiteral("Untitled window") : w.info.title;
            },
            [](const More& m) {
                return QString::number(m.count) + QStringLiteral(" more windows");
            },
            [](const App& a) { return a.app.name; },
            [](const File& f) { return UrlPaths::lastPathComponent(f.url); },
            [](const Reveal& r) { return QStringLiteral("Open in ") + r.fileManager; },
            [](const AllowAccess&) {
                return QStringLiteral("Allow Accessibility to pick a window\u2026");
            },
        },
        kind);
}

bool WindowChip::isMinimized() const {
    const auto* window = std::get_if<Window>(&kind);
    return window && window->info.isMinimized;
}

QImage WindowChip::icon(Workspace& workspace) const {
    return std::visit(Overloaded{
                          [&](const File& f) { return AppSource::icon(workspace, f.url); },
                          [&](const Reveal& r) { return AppSource::icon(workspace, r.url); },
                          [](const App& a) { return a.app.icon; },
                          [](const auto&) { return QImage(); },
                      },
                      kind);
}

std::optional<std::vector<WindowChip>> WindowChip::chips(qint32 pid, const WindowTable& windows,
                                                         const WindowCounts& counts, bool trusted) {
    // An app with one window (or none) is switched to directly.
    const auto count = counts.find(pid);
    if (count == counts.end() || count->second < 2)
        return std::nullopt;
    if (!trusted)
        return std::vector<WindowChip>{WindowChip{AllowAccess{}, {}, 0, 0}};

    const auto listed = windows.find(pid);
    if (listed == windows.end() || listed->second.size() < 2)
        return std::nullopt;
    std::vector<WindowChip> chips;
    chips.reserve(listed->second.size());
    for (const WindowInfo& info : listed->second)
        chips.push_back(WindowChip{Window{info}, {}, 0, 0});
    return chips;
}

}  // namespace tandri
