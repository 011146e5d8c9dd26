// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <QFile>
#include <QJsonObject>
#include <QRegularExpression>

#include "e2e/xsession.h"
#include "support/glibcheap.h"

namespace tandri::test {
namespace {

// The real program on a real X display: its ring opens and closes, and the report tells of the
// X server's shared memory the ring's screen pictures go through.
TEST(MemoryProbeOnX11, OpensTheRealRingAndReportsWhereItsMemoryIs) {
    XSession session;
    ASSERT_NE(session.startClient("xterm", {"-T", "probe target"}, "probe target"), 0u);
    QTemporaryDir state;
    session.extraEnvironment.insert("XDG_STATE_HOME", state.path());
    session.setPreferences({{"probeSettings", true}, {"probeHold", 1}});

    QProcess probe;
    probe.setProcessEnvironment(session.environment());
    probe.start(QStringLiteral(TANDRI_PROGRAM), {"--memory-probe", "3"});
    XSession::finish(probe, 120000);
    const QString errors = QString::fromUtf8(probe.readAllStandardError());
    ASSERT_EQ(probe.exitStatus(), QProcess::NormalExit) << errors.toStdString();
    EXPECT_EQ(probe.exitCode(), 0) << errors.toStdString();
    EXPECT_EQ(QString::fromUtf8(probe.readAllStandardOutput()), "thumbnails false, windows true\n");
    const QString path = state.filePath("tandri/memory-probe.txt");
    EXPECT_TRUE(errors.contains("the ring opened 3 of 3 times; memory checkpoints in " + path))
        << errors.toStdString();

    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString report = QString::fromUtf8(file.readAll());
    const QRegularExpression labels(
        "^launched: \\d+ MB\nSettings open: \\d+ MB\nSettings closed, 3 s later: \\d+ MB\n"
        "after 1 opens: \\d+ MB\nafter 3 opens: \\d+ MB\nclosed: \\d+ MB\n"
        "3 s later \\(memory trimmed\\): \\d+ MB\nmemory regions by kind: count, dirty, swapped\n");
    EXPECT_TRUE(labels.match(report).hasMatch()) << report.toStdString();
    for (const char* kind : {"\n  Qt libraries: ", "\n  X shared memory: "})
        EXPECT_TRUE(report.contains(kind)) << kind << " in\n" << report.toStdString();
    EXPECT_EQ(report.contains("\n  heap: 1, "), glibcHeap) << report.toStdString();
}

}  // namespace
}  // namespace tandri::test
