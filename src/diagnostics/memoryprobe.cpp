// SPDX-License-Identifier: MIT
#include "diagnostics/memoryprobe.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonValue>
#include <QSaveFile>
#include <algorithm>
#include <cmath>

#include "diagnostics/ringaim.h"
#include "platform/clock.h"
#include "platform/platform.h"
#include "platform/preferences.h"
#include "platform/screens.h"
#include "platform/windowlist.h"
#include "platform/workspace.h"
#include "prefs/settings.h"
#include "ring/ringcontroller.h"
#include "windows/windowsource.h"

namespace tandri {

namespace {

QString megabytes(qint64 bytes) {
    return QString::number(double(bytes) / (1 << 20), 'f', 1) + QStringLiteral(" MB");
}

}  // namespace

MemoryProbe::MemoryProbe(Platform& platform, ThumbnailSource* thumbnails, int count,
                         QString reportPath, QTextStream& out, QTextStream& err)
    : platform_(platform),
      count_(std::max(count, 0)),
      reportPath_(std::move(reportPath)),
      out_(out),
      err_(err),
      ring_(std::make_unique<RingController>(platform, RingCaches::shared(), thumbnails)),
      checkpoints_(checkpointCounts(count_)) {
    ring_->mouseLocation = [this] {
        return pointer_;
    };
}

MemoryProbe::~MemoryProbe() = default;

std::vector<int> MemoryProbe::checkpointCounts(int count) {
    std::vector<int> counts;
    for (long long n = 1; n <= count; n *= 10) counts.push_back(int(n));
    if (count > 0 && counts.back() != count)
        counts.push_back(count);
    return counts;
}

QString MemoryProbe::checkpoint(const QString& label, std::optional<qint64> footprint) {
    return label + QStringLiteral(": ") +
           QString::number(std::max<qint64>(footprint.value_or(0), 0) >> 20) +
           QStringLiteral(" MB");
}

QStringList MemoryProbe::regionSummary(const std::vector<MemoryRegions>& regions) {
    if (regions.empty())
        return {QStringLiteral("memory regions: not readable here")};
    QStringList lines{QStringLiteral("memory regions by kind: count, dirty, swapped")};
    MemoryRegions all{QStringLiteral("all"), 0, 0, 0};
    for (const MemoryRegions& kind : regions) {
        lines << QStringLiteral("  %1: %2, %3, %4")
                     .arg(kind.kind)
                     .arg(kind.count)
                     .arg(megabytes(kind.dirtyBytes), megabytes(kind.swappedBytes));
        all.count += kind.count;
        all.dirtyBytes += kind.dirtyBytes;
        all.swappedBytes += kind.swappedBytes;
    }
    lines << QStringLiteral("  %1: %2, %3, %4")
                 .arg(all.kind)
                 .arg(all.count)
                 .arg(megabytes(all.dirtyBytes), megabytes(all.swappedBytes));
    return lines;
}

void MemoryProbe::start() {
    Settings::registerDefaults(platform_.preferences);
    out_ << "thumbnails "
         << (Settings::showsThumbnails(platform_.preferences, platform_.windowList) ? "true"
                                                                                    : "false")
         << ", windows " << (WindowSource::isTrusted(platform_.accessibility) ? "true" : "false")
         << '\n';
    out_.flush();
    const std::vector<Screen> screens = platform_.screens.screens();
    if (!screens.empty())
        pointer_ = screens.front().frame.center();
    after(startDelay, &MemoryProbe::begin);
}

void MemoryProbe::after(double delay, void (MemoryProbe::*step)()) {
    // The timer belongs to the probe: it cannot fire once the probe is gone.
    next_ = platform_.clock.schedule(delay, [this, step] { (this->*step)(); });
}

void MemoryProbe::note(const QString& label) {
    const std::optional<qint64> footprint = platform_.system.memoryFootprint();
    lines_ << checkpoint(label, footprint);
    // The report keeps whole megabytes; a growth of a few hundred kilobytes needs finer steps.
    if (footprint) {
        err_ << "tandri: " << label << ": " << (*footprint >> 10) << " kB\n";
        err_.flush();
    }
}

void MemoryProbe::begin() {
    // As the program does once it runs, so that "launched" is the program ready for its first
    // opening.
    ring_->rehearse();
    note(QStringLiteral("launched"));
    const QJsonValue settings = platform_.preferences.value(Preferences::appDomain, settingsKey);
    if (settings.isBool() && settings.toBool() && openSettings && closeSettings) {
        openSettings();
        after(settingsShown, &MemoryProbe::settingsOpen);
        return;
    }
    openRing();
}

void MemoryProbe::settingsOpen() {
    note(QStringLiteral("Settings open"));
    closeSettings();
    after(restDelay, &MemoryProbe::settingsClosed);
}

void MemoryProbe::settingsClosed() {
    note(QStringLiteral("Settings closed, 3 s later"));
    openRing();
}

std::optional<int> MemoryProbe::target() const {
    const std::vector<RingApp>& apps = ring_->apps();
    const auto front = platform_.workspace.frontmostPID();
    std::optional<int> running;
    for (size_t i = 0; i < apps.size(); ++i) {
        if (apps[i].kind != RingApp::Kind::App || !apps[i].running)
            continue;
        if (front && apps[i].pid() == front)
            return int(i);
        if (!running)
            running = int(i);
    }
    return running;
}

void MemoryProbe::openRing() {
    if (done_ >= count_) {
        openingsDone();
        return;
    }
    const std::vector<Screen> screens = platform_.screens.screens();
    if (!screens.empty())
        pointer_ = screens.front().frame.center();
    ring_->triggerDown();
    openedAt_ = platform_.clock.now();
    path_.clear();
    pathStep_ = 0;
    if (ring_->mode() != RingController::Mode::Hidden) {
        ++opened_;
        const QPointF centre = RingAim::centre(*ring_);
        const auto aim = target();
        const QPointF end = RingAim::entry(*ring_, aim.value_or(0));
        for (int k = 1; k <= flickMoves; ++k)
            path_.push_back(centre + (end - centre) * (double(k) / flickMoves));
        // Nothing to switch to: out and back, and the release closes the ring.
        if (!aim) {
            for (int k = flickMoves - 1; k >= 0; --k)
                path_.push_back(centre + (end - centre) * (double(k) / flickMoves));
        }
    }
    after(moveInterval, &MemoryProbe::move);
}

void MemoryProbe::move() {
    if (pathStep_ < path_.size()) {
        pointer_ = path_[pathStep_++];
        after(moveInterval, &MemoryProbe::move);
        return;
    }
    // A release this soon with nothing selected would keep the ring open.
    const double earliest = openedAt_ + RingController::tapInterval + moveInterval;
    const bool selected = ring_->selection().has_value();
    after(selected ? holdBeforeRelease
                   : std::max(holdBeforeRelease, earliest - platform_.clock.now()),
          &MemoryProbe::release);
}

void MemoryProbe::release() {
    ring_->triggerUp();
    // Never left open for the next press to close instead of opening.
    if (ring_->mode() == RingController::Mode::Sticky)
        ring_->triggerDown();
    ++done_;
    if (std::find(checkpoints_.begin(), checkpoints_.end(), done_) != checkpoints_.end())
        note(QStringLiteral("after %1 opens").arg(done_));
    after(pause, &MemoryProbe::openRing);
}

void MemoryProbe::openingsDone() {
    note(QStringLiteral("closed"));
    after(restDelay, &MemoryProbe::rested);
}

void MemoryProbe::rested() {
    note(QStringLiteral("3 s later (memory trimmed)"));
    lines_ << regionSummary(platform_.system.memoryRegions());

    QDir().mkpath(QFileInfo(reportPath_).absolutePath());
    QSaveFile file(reportPath_);
    const QByteArray text = (lines_.join(u'\n') + u'\n').toUtf8();
    if (file.open(QIODevice::WriteOnly) && file.write(text) == text.size() && file.commit()) {
        err_ << "tandri: the ring opened " << opened_ << " of " << count_
             << " times; memory checkpoints in " << reportPath_ << '\n';
    } else {
        err_ << "tandri: cannot write the memory checkpoints to " << reportPath_ << " ("
             << file.errorString() << ")\n";
        status_ = 1;
    }
    err_.flush();

    const QJsonValue hold = platform_.preferences.value(Preferences::appDomain, holdKey);
    after(hold.isDouble() ? std::max(0.0, std::floor(hold.toDouble())) : 0.0, &MemoryProbe::end);
}

void MemoryProbe::end() {
    next_.reset();
    if (finished)
        finished(status_);
}

}  // namespace tandri
