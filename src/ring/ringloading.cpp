// SPDX-License-Identifier: MIT
// Window lists and folder contents load off the main thread; results apply only while the session
// that asked for them is still showing.
#include <set>

#include "platform/clock.h"
#include "platform/files.h"
#include "platform/platform.h"
#include "platform/queues.h"
#include "platform/system.h"
#include "prefs/settings.h"
#include "ring/ringcontroller.h"
#include "windows/thumbnailsource.h"

namespace tandri {

void RingController::loadWindows() {
    const int token = ++session_;
    std::vector<qint32> pids;
    for (const auto& entry : apps_) {
        if (const auto pid = entry.pid())
            pids.push_back(*pid);
    }
    const bool trust = isTrusted();
    Queues& queues = platform_.queues;
    queues.background(
        Queues::Priority::UserInteractive,
        [this, alive = alive_.watch(), source = windowSource, pids, trust, token, &queues] {
            WindowLoad load = source(pids, trust);
            queues.main([this, alive, trust, token, load = std::move(load)]() mutable {
                if (alive)
                    applyWindowLoad(token, trust, std::move(load));
            });
        });
}

void RingController::applyWindowLoad(int token, bool trust, WindowLoad load) {
    if (session_ != token || mode_ == Mode::Hidden)
        return;
    trusted_ = trust;
    windows_ = std::move(load.windows);
    windowsLoaded_ = true;
    collapse();  // the next frame rebuilds the chips from the fresh lists
    counts_ = std::move(load.counts);
    caches_.lastCounts = counts_;
    RingView& view = panel_.ringView();
    view.setWindowCounts(entryCounts());
    if (!view.showsThumbnails || !thumbnails_)
        return;
    std::set<quint32> existing;
    std::vector<quint32> wanted;
    for (const auto& [pid, list] : windows_) {
        for (const auto& window : list) {
            if (!window.id)
                continue;
            existing.insert(*window.id);
            if (list.size() >= 2)
                wanted.push_back(*window.id);  // only these get chips
        }
    }
    thumbnails_->prune(existing);
    thumbnails_->request(wanted, false);
}

void RingController::loadFolder(const QUrl& url) {
    const QString path = url.path();
    if (!foldersLoading_.insert(path).second)
        return;  // once per session
    const int token = session_;
    Queues& queues = platform_.queues;
    const Files& files = platform_.files;
    queues.background(
        Queues::Priority::UserInitiated,
        [this, alive = alive_.watch(), caches = &caches_, url, token, &queues, &files] {
            auto items = AppSource::recentItems(files, url, folderItemLimit);
            queues.main([this, alive, caches, url, token, items = std::move(items)]() mutable {
                // The cache is the program's, so it learns the contents even
                // when the session has ended.
                auto& cached = caches->folderItems;
                const auto old = cached.find(url.path());
                const bool unchanged = old != cached.end() && old->second == items;
                cached[url.path()] = std::move(items);
                if (!alive)
                    return;
                if (session_ == token && mode_ != Mode::Hidden && !unchanged) {
                    collapse();
                }
            });
        });
}

void RingController::trimMemory() {
    if (trim_)
        trim_->cancel();
    trim_ = platform_.clock.schedule(trimDelay, [this, alive = alive_.watch()] {
        if (alive && mode_ == Mode::Hidden)
            platform_.system.relieveMemory();
    });
}

}  // namespace tandri
