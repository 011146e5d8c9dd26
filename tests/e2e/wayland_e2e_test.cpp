// SPDX-License-Identifier: MIT
// The real program on a headless sway, driven as a person would drive it: the compositor's own
// key binding runs `tandri --trigger`, wtype presses the keys, a virtual pointer flicks, grim
// shows the screen and sway's tree says which window has the focus.
#include <gtest/gtest.h>

#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <cmath>
#include <memory>
#include <numbers>
#include <vector>

#include "../platform/wayland/swaysession.h"
#include "support/testfiles.h"

namespace tandri::wayland::test {
namespace {

constexpr int screenWidth = 1440, screenHeight = 900;

class WaylandRing : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (!qEnvironmentVariableIsEmpty("TANDRI_NO_SWAY"))
            return;
        config_ = new QTemporaryDir;
        tandri::test::writeFile(config_->filePath("tandri/defaults/app.tandri.json"),
                                R"({"showPlaces": false, "onboardingDone": true})");
        // Two apps by their app ids; the one opened last has the focus.
        for (const char* name : {"alpha", "beta"}) {
            clients_.push_back(std::make_unique<QProcess>());
            clients_.back()->start("foot", {"--app-id", QStringLiteral("tandri-%1").arg(name),
                                            "--title", QString::fromLatin1(name), "sleep", "600"});
            waitForEvents([&] { return focusedTitle() == QLatin1String(name); });
        }
        program_ = new QProcess;
        program_->setProcessEnvironment(environment());
        program_->start(QStringLiteral(TANDRI_PROGRAM), {});
        waitForEvents([] { return errors().contains("tandri: running on the Wayland"); });
    }
    static void TearDownTestSuite() {
        for (auto& process : clients_) {
            process->kill();
            process->waitForFinished(patience);
        }
        clients_.clear();
        if (program_) {
            program_->terminate();
            if (!program_->waitForFinished(patience))
                program_->kill();
            delete program_;
            program_ = nullptr;
        }
        delete config_;
        config_ = nullptr;
    }
    void SetUp() override {
        SKIP_WITHOUT_SWAY();
        ASSERT_TRUE(errors().contains("tandri: running on the Wayland compositor"))
            << qPrintable(errors());
    }

    static QProcessEnvironment environment() {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_HOME", config_->path());
        env.remove("TANDRI_DESKTOP");
        return env;
    }
    static QString errors() {
        if (program_)
            errorText_ += QString::fromUtf8(program_->readAllStandardError());
        return errorText_;
    }
    static QString listWindows() {
        QProcess process;
        process.setProcessEnvironment(environment());
        process.start(QStringLiteral(TANDRI_PROGRAM), {"--list-windows"});
        process.waitForFinished(patience);
        return QString::fromUtf8(process.readAllStandardOutput());
    }
    /// The screen's middle, where the ring opens before the pointer was ever over it.
    static QImage middle() {
        QTemporaryDir dir;
        const QString file = dir.filePath("screen.png");
        QString output;
        if (!run("grim", {file}, &output)) {
            ADD_FAILURE() << "grim failed";
            return {};
        }
        return QImage(file).copy(screenWidth / 2 - 60, screenHeight / 2 - 60, 120, 120);
    }
    /// Presses Alt+Space through the compositor, holding it for `ms` (none: a tap) before
    /// letting go.
    static std::unique_ptr<QProcess> altSpace(int ms) {
        QStringList arguments{"-M", "alt", "-P", "space"};
        if (ms > 0)
            arguments << "-s" << QString::number(ms);
        auto keys = std::make_unique<QProcess>();
        keys->start("wtype", arguments << QStringList{"-p", "space", "-m", "alt"});
        return keys;
    }
    static bool flick(QPointF direction) {
        const QPointF centre(screenWidth / 2.0, screenHeight / 2.0);
        const QPointF end = centre + direction * 160;
        return run(QStringLiteral(VIRTUAL_POINTER),
                   {QString::number(screenWidth), QString::number(screenHeight),
                    QString::number(centre.x()), QString::number(centre.y()),
                    QString::number(end.x()), QString::number(end.y())});
    }

    static inline QTemporaryDir* config_ = nullptr;
    static inline std::vector<std::unique_ptr<QProcess>> clients_;
    static inline QProcess* program_ = nullptr;
    static inline QString errorText_;
};

TEST_F(WaylandRing, ListWindowsShowsTheWaylandAppsWithTheirWindowTitles) {
    const QString listing = listWindows();
    EXPECT_TRUE(listing.contains("Accessibility: allowed")) << qPrintable(listing);
    // Both windows show side by side: sway's tree counts them. sway's binding that runs this
    // program is no conflict.
    for (const char* line : {"Shortcut: Alt+Space\n", "tandri-alpha — 1 visible", "     • alpha",
                             "tandri-beta — 1 visible", "     • beta"})
        EXPECT_TRUE(listing.contains(QString::fromUtf8(line))) << line << '\n'
                                                               << qPrintable(listing);
}

TEST_F(WaylandRing, HoldingTheBindingAndFlickingActivatesThePickedApp) {
    // Where alpha stands: entry 0 at the top, the others clockwise, evenly spaced.
    const QString listing = listWindows();
    const QRegularExpression entry(QStringLiteral("^(\\d+)\\. (.*) — "),
                                   QRegularExpression::MultilineOption);
    int count = 0, alpha = -1;
    for (auto match = entry.globalMatch(listing); match.hasNext();) {
        const auto found = match.next();
        ++count;
        if (found.captured(2) == QLatin1String("tandri-alpha"))
            alpha = found.captured(1).toInt();
    }
    ASSERT_GE(alpha, 0) << qPrintable(listing);
    ASSERT_EQ(focusedTitle(), QStringLiteral("beta"));
    const double angle = std::numbers::pi / 2 - alpha * 2 * std::numbers::pi / count;

    const QImage before = middle();
    ASSERT_FALSE(before.isNull()) << "grim took no picture";
    // Held long enough for the ring to open and the flick to end; the wait below ends as soon
    // as the ring shows.
    const auto keys = altSpace(8000);
    ASSERT_TRUE(waitForEvents([&] { return middle() != before; })) << "the ring never showed\n"
                                                                   << qPrintable(errors());
    ASSERT_TRUE(flick(QPointF(std::cos(angle), -std::sin(angle))));
    ASSERT_TRUE(keys->waitForFinished(patience));
    EXPECT_TRUE(waitForEvents([] { return focusedTitle() == QLatin1String("alpha"); }))
        << "focused: " << qPrintable(focusedTitle()) << '\n'
        << qPrintable(errors());
}

TEST_F(WaylandRing, ATapKeepsTheRingOpenUntilEscape) {
    const QString focused = focusedTitle();
    const QImage before = middle();
    ASSERT_FALSE(before.isNull()) << "grim took no picture";
    const auto tap = altSpace(0);
    ASSERT_TRUE(tap->waitForFinished(patience));
    ASSERT_TRUE(waitForEvents([&] { return middle() != before; })) << "the ring never showed\n"
                                                                   << qPrintable(errors());
    // Kept open, the ring takes the keyboard: sway then focuses no window.
    ASSERT_TRUE(waitForEvents([] { return focusedTitle().isEmpty(); }))
        << "the ring never took the keyboard";
    ASSERT_TRUE(run("wtype", {"-k", "Escape"}));
    EXPECT_TRUE(waitForEvents([&] { return middle() == before; })) << "the ring stayed open";
    EXPECT_TRUE(waitForEvents([&] { return focusedTitle() == focused; }))
        << "focused: " << qPrintable(focusedTitle());
}

}  // namespace
}  // namespace tandri::wayland::test
