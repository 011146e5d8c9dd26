// SPDX-License-Identifier: MIT
#pragma once

#include <vector>

#include "platform/workspace.h"

namespace tandri::test {

// Passes everything to a real workspace, but can claim another process id as this program's,
// count icon look-ups and hold back the completions of open requests.
class ForwardingWorkspace : public Workspace {
public:
    using Completion = std::function<void(std::optional<QString>)>;

    explicit ForwardingWorkspace(Workspace& inner) : inner_(inner) {}

    std::optional<qint32> ownPIDOverride;
    std::optional<std::vector<QUrl>> defaultFoldersOverride;
    std::optional<std::vector<QUrl>> pinnedAppsOverride;
    /// The file manager to report instead of the inner one's (an absent one included).
    std::optional<std::optional<QString>> fileManagerOverride;
    bool holdCompletions = false;
    std::vector<Completion> heldCompletions;
    mutable int iconLookups = 0;

    qint32 ownPID() const override { return ownPIDOverride.value_or(inner_.ownPID()); }
    std::vector<RunningApp> runningApps() const override { return inner_.runningApps(); }
    std::optional<RunningApp> runningApp(qint32 pid) const override {
        return inner_.runningApp(pid);
    }
    std::optional<qint32> frontmostPID() const override { return inner_.frontmostPID(); }
    std::optional<QUrl> urlForBundleIdentifier(const QString& bundleID) const override {
        return inner_.urlForBundleIdentifier(bundleID);
    }
    std::optional<QString> bundleIdentifier(const QUrl& url) const override {
        return inner_.bundleIdentifier(url);
    }
    QString displayName(const QString& path) const override { return inner_.displayName(path); }
    QImage iconForFile(const QString& path) const override {
        ++iconLookups;
        return inner_.iconForFile(path);
    }
    QImage trashIcon() const override { return inner_.trashIcon(); }
    QUrl trashURL() const override { return inner_.trashURL(); }
    QString applicationSuffix() const override { return inner_.applicationSuffix(); }
    std::vector<QUrl> defaultFolders() const override {
        return defaultFoldersOverride.value_or(inner_.defaultFolders());
    }
    std::vector<QUrl> pinnedApps() const override {
        return pinnedAppsOverride.value_or(inner_.pinnedApps());
    }
    std::optional<QString> fileManagerID() const override {
        return fileManagerOverride ? *fileManagerOverride : inner_.fileManagerID();
    }
    void openApplication(const QUrl& url, bool activates, Completion completion) override {
        if (!holdCompletions || !completion) {
            inner_.openApplication(url, activates, std::move(completion));
            return;
        }
        inner_.openApplication(url, activates, [this, completion](std::optional<QString> error) {
            heldCompletions.push_back(
                [completion, error](std::optional<QString>) { completion(error); });
        });
    }
    void activate(qint32 pid) override { inner_.activate(pid); }
    void unhide(qint32 pid) override { inner_.unhide(pid); }
    void hide(qint32 pid) override { inner_.hide(pid); }
    void terminate(qint32 pid) override { inner_.terminate(pid); }
    void forceTerminate(qint32 pid) override { inner_.forceTerminate(pid); }
    void openFiles(const std::vector<QUrl>& urls, const QUrl& application,
                   bool activates) override {
        inner_.openFiles(urls, application, activates);
    }
    bool moveToTrash(const QUrl& url) override { return inner_.moveToTrash(url); }
    void openURL(const QUrl& url) override { inner_.openURL(url); }
    void revealInFileManager(const std::vector<QUrl>& urls) override {
        inner_.revealInFileManager(urls);
    }
    DisplayOptions displayOptions() const override { return inner_.displayOptions(); }
    bool darkAppearance() const override { return inner_.darkAppearance(); }
    std::optional<QColor> accentColor() const override { return inner_.accentColor(); }
    /// Delivers the held completions, as the workspace's completion thread would.
    void releaseCompletions() {
        auto held = std::move(heldCompletions);
        heldCompletions.clear();
        for (auto& completion : held) completion(std::nullopt);
    }

private:
    Workspace& inner_;
};

}  // namespace tandri::test
