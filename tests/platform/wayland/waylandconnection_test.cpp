// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include "platform/wayland/waylandconnection.h"
#include "platform/wayland/waylandscreens.h"
#include "platform/wayland/waylandseat.h"
#include "support/scopedenvironment.h"
#include "swaysession.h"

namespace tandri::wayland::test {
namespace {

TEST(WaylandConnection, SwayOffersEveryProtocolTheBackendSpeaks) {
    SKIP_WITHOUT_SWAY();
    QString problem;
    auto connection = WaylandConnection::open(&problem);
    ASSERT_TRUE(connection) << qPrintable(problem);
    EXPECT_EQ(connection->missing(), QStringList());
    EXPECT_TRUE(connection->offers("zwlr_screencopy_manager_v1"));
    EXPECT_EQ(connection->globals("wl_output").size(), 1u);
    EXPECT_TRUE(connection->roundtrip());
    EXPECT_TRUE(connection->alive());
}

TEST(WaylandConnection, OutputsAreScreensInPointsAndThePointerStartsInTheMiddle) {
    SKIP_WITHOUT_SWAY();
    auto connection = WaylandConnection::open();
    ASSERT_TRUE(connection);
    WaylandSeat seat(*connection);
    WaylandScreens screens(*connection, seat);
    const std::vector<Screen> all = screens.screens();
    ASSERT_EQ(all.size(), 1u);
    EXPECT_EQ(all.front().frame, QRectF(0, 0, 1440, 900));
    EXPECT_EQ(all.front().scale, 1.0);
    // Y grows upward: the compositor's top strip is the top of the frame in points.
    EXPECT_EQ(screens.toPoints(QRectF(100, 0, 50, 20)), QRectF(100, 880, 50, 20));
    EXPECT_EQ(screens.toCompositor(screens.toPoints(QRectF(7, 8, 9, 10))), QRectF(7, 8, 9, 10));
    // Never over one of this program's surfaces yet.
    EXPECT_EQ(screens.mouseLocation(), QPointF(720, 450));
    EXPECT_EQ(screens.pressedMouseButtons(), 0u);
    EXPECT_FALSE(screens.monitorOutsideClicks([] {}));
}

TEST(WaylandConnection, NoCompositorIsAProblemThatSaysWhere) {
    for (const char* display : {"", "tandri-nowhere-0"}) {
        tandri::test::ScopedEnvironment environment{
            {"WAYLAND_DISPLAY", display[0] ? std::optional<QByteArray>(display) : std::nullopt}};
        QString problem;
        EXPECT_FALSE(WaylandConnection::open(&problem));
        EXPECT_TRUE(problem.contains(display[0] ? QString::fromLatin1(display)
                                                : QStringLiteral("WAYLAND_DISPLAY")))
            << qPrintable(problem);
    }
}

}  // namespace
}  // namespace tandri::wayland::test
