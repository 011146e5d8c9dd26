// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <QFile>
#include <QRegularExpression>

#include "app/options.h"
#include "diagnostics/memoryprobe.h"
#include "platform/common/procmemory.h"
#include "platform/preferences.h"
#include "platform/sim/simdesktop.h"
#include "support/glibcheap.h"
#include "support/testdesktop.h"

namespace tandri::test {
namespace {

TEST(MemoryProbe, CountAndCheckpointsFromTheCommandLine) {
    const struct {
        QStringList arguments;
        int count;
        std::vector<int> checkpoints;
    } cases[] = {
        {{"--memory-probe"}, 40, {1, 10, 40}},
        {{"--memory-probe", "many"}, 40, {1, 10, 40}},
        {{"--memory-probe", "-3"}, 40, {1, 10, 40}},
        {{"--memory-probe", "--list-windows"}, 40, {1, 10, 40}},
        {{"--memory-probe", "0"}, 0, {}},
        {{"--memory-probe", "1"}, 1, {1}},
        {{"--memory-probe", "12"}, 12, {1, 10, 12}},
        {{"--memory-probe", "1000"}, 1000, {1, 10, 100, 1000}},
    };
    for (const auto& c : cases) {
        const DiagnosticOptions options = DiagnosticOptions::parse(c.arguments);
        EXPECT_EQ(options.mode, DiagnosticOptions::Mode::MemoryProbe);
        EXPECT_EQ(options.count, c.count) << c.arguments.join(' ').toStdString();
        EXPECT_EQ(MemoryProbe::checkpointCounts(options.count), c.checkpoints) << c.count;
    }
}

TEST(MemoryProbe, FiguresAsLinuxGivesThem) {
    const QByteArray rollup =
        "55d0c0a00000-7ffc2a3f9000 ---p 00000000 00:00 0    [rollup]\n"
        "Rss:               40960 kB\nPrivate_Clean:      2048 kB\n"
        "Private_Dirty:      9216 kB\nSwap:               1024 kB\nSwapPss:  1024 kB\n";
    EXPECT_EQ(ProcMemory::footprint(rollup), qint64(10240) * 1024);
    EXPECT_EQ(ProcMemory::footprint("no such figures\n"), std::nullopt);
    EXPECT_EQ(MemoryProbe::checkpoint("launched", ProcMemory::footprint(rollup)),
              "launched: 10 MB");
    EXPECT_EQ(MemoryProbe::checkpoint("closed", std::nullopt), "closed: 0 MB");

    const QByteArray smaps =
        "5581a0000000-5581a0100000 r-xp 00000000 08:01 42   /opt/tandri/bin/tandri\n"
        "Private_Dirty:         8 kB\n"
        "5581a2000000-5581a4000000 rw-p 00000000 00:00 0    [heap]\n"
        "Shared_Dirty:          0 kB\nPrivate_Dirty:     20480 kB\nSwap:   2048 kB\n"
        "7f0000000000-7f0000100000 rw-p 00000000 00:00 0 \n"
        "Private_Dirty:      1024 kB\n"
        "7f0000200000-7f0000300000 rw-s 00000000 00:01 7    /SYSV00000000 (deleted)\n"
        "Shared_Dirty:       3072 kB\n"
        "7f0000300000-7f0000400000 rw-s 00000000 00:01 8    /memfd:xorg (deleted)\n"
        "Shared_Dirty:       1024 kB\n"
        "7f0000400000-7f0000500000 r-xp 00000000 08:01 9    /usr/lib/libQt6Gui.so.6.4.2\n"
        "Private_Dirty:        16 kB\n"
        "7f0000600000-7f0000700000 r-xp 00000000 08:01 10   /usr/lib/x86_64-linux-gnu/libc.so.6\n"
        "7f0000800000-7f0000900000 r--p 00000000 08:01 11   /home/a b/My Notes.txt\n"
        "7ffd00000000-7ffd00100000 rw-p 00000000 00:00 0    [stack]\n"
        "Private_Dirty:       132 kB\nVmFlags: rd wr mr mw me gd ac\n";
    const auto mb = [](double m) {
        return qint64(m * (1 << 20));
    };
    const std::vector<MemoryRegions> expected = {
        {"heap", 1, mb(20), mb(2)},        {"anonymous", 1, mb(1), 0},
        {"stacks", 1, 132 * 1024, 0},      {"the program", 1, 8 * 1024, 0},
        {"Qt libraries", 1, 16 * 1024, 0}, {"system libraries", 1, 0, 0},
        {"X shared memory", 2, mb(4), 0},  {"other files", 1, 0, 0},
    };
    EXPECT_EQ(ProcMemory::regions(smaps, "/opt/tandri/bin/tandri"), expected);
    EXPECT_EQ(ProcMemory::footprint(smaps), mb(20) + mb(2) + mb(1) + (8 + 16 + 132) * 1024);

    const QStringList summary = MemoryProbe::regionSummary(expected);
    EXPECT_EQ(summary.first(), "memory regions by kind: count, dirty, swapped");
    EXPECT_EQ(summary[1], "  heap: 1, 20.0 MB, 2.0 MB");
    EXPECT_EQ(summary.last(), "  all: 9, 25.2 MB, 2.0 MB");
    EXPECT_EQ(MemoryProbe::regionSummary({}), QStringList{"memory regions: not readable here"});
}

// An editor at the front with two windows, and a viewer.
const QByteArray twoApps = R"({
  "trusted": true, "frontmost": 300,
  "apps": [
    {"pid": 200, "name": "Viewer", "windows": [{"title": "Photo", "id": 21}]},
    {"pid": 300, "name": "Editor", "windows": [{"title": "Notes", "id": 31},
                                                {"title": "Draft", "id": 32}]}
  ]})";
// Nothing runs: the ring holds a folder and the Trash.
const QByteArray nothingRuns = R"({
  "trusted": false, "apps": [],
  "defaults": {"com.apple.dock": {"persistent-others": [
    {"tile-type": "directory-tile", "tile-data": {"file-label": "tmp",
      "file-data": {"_CFURLString": "file:///tmp/", "_CFURLStringType": 15}}}]}}})";

/// A probe of `count` openings on `d` with its report at `path`, and what it printed.
struct ProbeRun {
    ProbeRun(TestDesktop& d, int count, const QString& path)
        : probe(d.platform(), nullptr, count, path, outStream, errStream) {
        probe.finished = [this, &d](int s) {
            status = s;
            finishedAt = d.clock().now();
        };
    }
    QString out, err;
    QTextStream outStream{&out}, errStream{&err};
    MemoryProbe probe;
    std::optional<int> status;
    double finishedAt = 0;
};

TEST(MemoryProbe, OpensTheRingAndNotesEveryCheckpointOnTheClock) {
    const struct {
        const char* name;
        const QByteArray& desktop;
        int count;
        bool settings;
        QString firstLine;
        QString action;
    } cases[] = {
        {"front app", twoApps, 12, true, "thumbnails false, windows true\n", "activate 300"},
        {"nothing running", nothingRuns, 3, false, "thumbnails false, windows false\n", ""},
        {"no openings", twoApps, 0, false, "thumbnails false, windows true\n", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TestDesktop d(c.desktop);
        Preferences& prefs = d.preferences();
        prefs.setValue(Preferences::appDomain, MemoryProbe::settingsKey, c.settings);
        prefs.setValue(Preferences::appDomain, MemoryProbe::holdKey, 5);
        ProbeRun run(d, c.count, d.path("state/tandri/probe.txt"));
        MemoryProbe& probe = run.probe;
        std::vector<QString> settings;
        probe.openSettings = [&] {
            settings.push_back("open");
        };
        probe.closeSettings = [&] {
            settings.push_back("close");
        };
        probe.start();
        EXPECT_EQ(run.out, c.firstLine);
        double restedAt = 0;
        for (int frame = 0; frame < 12000 && !run.status; ++frame) {
            d.queues().drain();
            d.clock().advance(0.005);
            if (!restedAt && probe.lines().join('\n').contains("memory trimmed"))
                restedAt = d.clock().now();
        }
        ASSERT_EQ(run.status, 0);
        // Held for "probeHold" seconds after the report.
        EXPECT_NEAR(run.finishedAt - restedAt, 5, 0.01);

        QStringList labels;
        const QRegularExpression checkpoint("^(.+): (\\d+) MB$");
        const QStringList& lines = probe.lines();
        qsizetype at = 0;
        for (; at < lines.size() && !lines[at].startsWith("memory regions"); ++at) {
            const auto match = checkpoint.match(lines[at]);
            ASSERT_TRUE(match.hasMatch()) << lines[at].toStdString();
            EXPECT_GT(match.captured(2).toInt(), 0);
            labels << match.captured(1);
        }
        QStringList expected{"launched"};
        if (c.settings)
            expected << "Settings open"
                     << "Settings closed, 3 s later";
        for (int n : MemoryProbe::checkpointCounts(c.count))
            expected << QStringLiteral("after %1 opens").arg(n);
        expected << "closed"
                 << "3 s later (memory trimmed)";
        EXPECT_EQ(labels, expected);
        ASSERT_LT(at, lines.size());
        EXPECT_EQ(lines.mid(at).join('\n').contains("\n  heap: 1, "), glibcHeap);
        const std::vector<QString> opened{"open", "close"};
        EXPECT_EQ(settings, c.settings ? opened : std::vector<QString>());

        EXPECT_EQ(probe.opened(), c.count);
        const std::vector<QString> actions = d.sim().actions();
        const auto picked = std::count(actions.begin(), actions.end(), c.action);
        EXPECT_EQ(picked, c.action.isEmpty() ? 0 : c.count);
        // Nothing was started, opened or launched on the probe's account.
        for (const QString& action : actions) {
            EXPECT_FALSE(action.startsWith("launch") || action.startsWith("open"))
                << action.toStdString();
        }
        EXPECT_GE(d.sim().memoryReliefs(), c.count > 0 ? 1 : 0);

        QFile report(d.path("state/tandri/probe.txt"));
        ASSERT_TRUE(report.open(QIODevice::ReadOnly));
        EXPECT_EQ(QString::fromUtf8(report.readAll()), lines.join('\n') + '\n');
        EXPECT_TRUE(run.err.contains(QStringLiteral("opened %1 of %1 times").arg(c.count)));
    }
}

TEST(MemoryProbe, AReportThatCannotBeWrittenEndsWithAFailure) {
    TestDesktop d(twoApps);
    const QString blocked = d.makeFile("file");
    ProbeRun run(d, 1, blocked + "/probe.txt");
    run.probe.start();
    for (int frame = 0; frame < 4000 && !run.status; ++frame) d.clock().advance(0.005);
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.contains("cannot write the memory checkpoints to " + blocked))
        << run.err.toStdString();
}

}  // namespace
}  // namespace tandri::test
