#include <gtest/gtest.h>

#include "app/options.h"

namespace tandri {
namespace {

using Mode = DiagnosticOptions::Mode;

TEST(DiagnosticOptions, TheFirstOptionThatAppliesDecides) {
    EXPECT_EQ(DiagnosticOptions::parse({}).mode, Mode::None);
    EXPECT_EQ(DiagnosticOptions::parse({"--demo"}).mode, Mode::None);
    EXPECT_EQ(DiagnosticOptions::parse({"--list-windows"}).mode, Mode::ListWindows);
    // The snapshot is looked for first, whatever the order on the line.
    const auto both = DiagnosticOptions::parse({"--list-windows", "--snapshot", "/tmp/a.png"});
    EXPECT_EQ(both.mode, Mode::Snapshot);
    EXPECT_EQ(both.argument, "/tmp/a.png");
    EXPECT_EQ(both.index, std::nullopt);
    EXPECT_EQ(DiagnosticOptions::parse({"--menu-probe", "m.txt", "--snapshot"}).mode,
              Mode::MenuProbe);
}

TEST(DiagnosticOptions, AnOptionLackingItsArgumentIsIgnored) {
    EXPECT_EQ(DiagnosticOptions::parse({"--list-windows", "--snapshot"}).mode, Mode::ListWindows);
    EXPECT_EQ(DiagnosticOptions::parse({"--docs-shots"}).mode, Mode::None);
}

TEST(DiagnosticOptions, SnapshotIndexAndProbeCount) {
    EXPECT_EQ(DiagnosticOptions::parse({"--snapshot", "a.png", "3"}).index, 3);
    EXPECT_EQ(DiagnosticOptions::parse({"--snapshot", "a.png", "x"}).index, std::nullopt);
    EXPECT_EQ(DiagnosticOptions::parse({"--memory-probe"}).count, 40);
    EXPECT_EQ(DiagnosticOptions::parse({"--memory-probe", "abc"}).count, 40);
    EXPECT_EQ(DiagnosticOptions::parse({"--memory-probe", "200"}).count, 200);
    EXPECT_EQ(DiagnosticOptions::parse({"--memory-probe", "200"}).mode, Mode::MemoryProbe);
}

}  // namespace
}  // namespace tandri
