// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include "app/backend.h"
#include "app/options.h"

namespace tandri {
namespace {

using Mode = DiagnosticOptions::Mode;

TEST(DiagnosticOptions, TheFirstOptionThatAppliesDecides) {
    const auto parse = DiagnosticOptions::parse;
    EXPECT_EQ(parse({}).mode, Mode::None);
    EXPECT_EQ(parse({"--demo"}).mode, Mode::None);
    EXPECT_EQ(parse({"--list-windows"}).mode, Mode::ListWindows);
    // The snapshot is looked for first, whatever the order on the line.
    const auto both = parse({"--list-windows", "--snapshot", "/tmp/a.png"});
    EXPECT_EQ(both.mode, Mode::Snapshot);
    EXPECT_EQ(both.argument, "/tmp/a.png");
    EXPECT_EQ(both.index, std::nullopt);
    EXPECT_EQ(parse({"--menu-probe", "m.txt", "--snapshot"}).mode, Mode::MenuProbe);
    // An option lacking its argument is ignored.
    EXPECT_EQ(parse({"--list-windows", "--snapshot"}).mode, Mode::ListWindows);
    EXPECT_EQ(parse({"--share-image"}).mode, Mode::None);
    // The snapshot's entry (the probe's count is the memory probe's tests').
    EXPECT_EQ(parse({"--snapshot", "a.png", "3"}).index, 3);
    EXPECT_EQ(parse({"--snapshot", "a.png", "x"}).index, std::nullopt);
}

TEST(Backend, OneKeyPerXDisplay) {
    const struct {
        const char* display;
        const char* key;
    } cases[] = {
        {":0", "x11-0"},
        {":0.0", "x11-0"},
        {":0.1", "x11-0"},
        {"unix:0", "x11-0"},
        {"localhost:0", "x11-0"},
        {":12", "x11-12"},
        {"far:10.0", "x11-far-10"},
        {"a/b c:3", "x11-a_b_c-3"},
    };
    for (const auto& c : cases) EXPECT_EQ(Backend::displayKey(c.display), c.key) << c.display;
    // A path some systems give as the host is shortened, so that a socket's name holds it.
    const QString path = QStringLiteral("/tmp/") + QString(200, QLatin1Char('x')) + ":0";
    EXPECT_LE(Backend::displayKey(path).size(), 44);
    EXPECT_NE(Backend::displayKey(path), Backend::displayKey(path + "1"));
}

}  // namespace
}  // namespace tandri
