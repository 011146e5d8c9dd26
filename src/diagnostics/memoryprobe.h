// SPDX-License-Identifier: MIT
#pragma once

#include <QPointF>
#include <QString>
#include <QStringList>
#include <QTextStream>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "platform/system.h"

namespace tandri {

class RingController;
class ThumbnailSource;
class Timer;
struct Platform;

/// "--memory-probe [COUNT]": opens and closes the ring COUNT times with a scripted pointer and
/// notes the process's memory footprint on the way, for outside tools and for the eye. Every
/// step waits on the platform's clock; nothing waits for a person. Main thread.
class MemoryProbe {
public:
    /// Openings when the command line names no number.
    static constexpr int defaultCount = 40;
    /// From the start to the first checkpoint: the program's own start-up work is done by then.
    static constexpr double startDelay = 0.5;
    /// How long the Settings window stays open before its checkpoint.
    static constexpr double settingsShown = 0.5;
    /// The wait behind "3 s later": longer than the ring's and the Settings window's trims.
    static constexpr double restDelay = 3.0;
    /// A flick: this many pointer moves, a frame or two apart, out to the entry's icon.
    static constexpr int flickMoves = 4;
    static constexpr double moveInterval = 1.0 / 60;
    /// From the flick's end to the release, and from a release to the next opening.
    static constexpr double holdBeforeRelease = 0.05;
    static constexpr double pause = 0.1;
    static inline const QString settingsKey = QStringLiteral("probeSettings");
    static inline const QString holdKey = QStringLiteral("probeHold");

    /// Writes the report to `reportPath`, the first line to `out` and what went wrong, and
    /// where the report is, to `err`.
    MemoryProbe(Platform& platform, ThumbnailSource* thumbnails, int count, QString reportPath,
                QTextStream& out, QTextStream& err);
    ~MemoryProbe();
    MemoryProbe(const MemoryProbe&) = delete;
    MemoryProbe& operator=(const MemoryProbe&) = delete;

    /// Open and close the Settings window for "probeSettings"; without them it is not opened.
    std::function<void()> openSettings;
    std::function<void()> closeSettings;
    /// Runs once, when the hold is over, with the status the process should end with: 1 when
    /// the report could not be written.
    std::function<void(int status)> finished;

    /// Registers the preference defaults, prints the first line and begins.
    void start();

    /// The openings after which "after N opens" is noted: 1, 10, 100… up to `count`, and
    /// `count` itself.
    static std::vector<int> checkpointCounts(int count);
    /// "label: N MB", the footprint in whole megabytes, 0 when it could not be read.
    static QString checkpoint(const QString& label, std::optional<qint64> footprint);
    /// The region summary's lines: a heading, one line per kind, and the totals.
    static QStringList regionSummary(const std::vector<MemoryRegions>& regions);

    // State, for tests.
    RingController& ring() { return *ring_; }
    /// The report's lines so far.
    const QStringList& lines() const { return lines_; }
    /// Openings that showed the ring.
    int opened() const { return opened_; }

private:
    void after(double delay, void (MemoryProbe::*step)());
    void begin();
    void settingsOpen();
    void settingsClosed();
    void openRing();
    void move();
    void release();
    void openingsDone();
    void rested();
    void end();
    void note(const QString& label);
    /// The entry a flick goes for: the front app's, else another running app's; none when no
    /// app runs, so that no program is started and no folder opened on the probe's account.
    std::optional<int> target() const;

    Platform& platform_;
    const int count_;
    const QString reportPath_;
    QTextStream& out_;
    QTextStream& err_;
    std::unique_ptr<RingController> ring_;
    std::unique_ptr<Timer> next_;
    QStringList lines_;
    std::vector<int> checkpoints_;
    QPointF pointer_;
    /// The scripted pointer's path through the current opening.
    std::vector<QPointF> path_;
    size_t pathStep_ = 0;
    double openedAt_ = 0;
    int done_ = 0;
    int opened_ = 0;
    int status_ = 0;
};

}  // namespace tandri
