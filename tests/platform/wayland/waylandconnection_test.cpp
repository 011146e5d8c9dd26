#include <gtest/gtest.h>

#include "platform/wayland/waylandconnection.h"
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
