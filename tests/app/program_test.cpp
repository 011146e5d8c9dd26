// Runs the built program itself on a simulated desktop, as a user would start it.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include "support/waitforevents.h"

namespace tandri::test {
namespace {

QJsonObject readDomain(const QString& folder, const QString& domain) {
    QFile file(folder + QStringLiteral("/tandri/defaults/") + domain + QStringLiteral(".json"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(file.readAll()).object();
}

void writeFile(const QString& path, const QByteArray& contents) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(contents);
}

TEST(Program, RunsUntilTerminatedAndGivesTheDockBack) {
    QTemporaryDir config;
    QTemporaryDir scratch;
    ASSERT_TRUE(config.isValid() && scratch.isValid());
    writeFile(config.filePath("tandri/defaults/app.tandri.json"),
              R"({"hideDock": true, "onboardingDone": true})");
    writeFile(config.filePath("tandri/defaults/com.apple.dock.json"), R"({"autohide-delay": 0.2})");
    const QString desktop = scratch.filePath("desktop.json");
    writeFile(desktop, R"({"takenShortcuts": [[49, 2048]],
        "apps": [{"pid": 10, "name": "Notes", "windows": [{"title": "List"}]}]})");

    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("XDG_CONFIG_HOME", config.path());
    environment.insert("TANDRI_DESKTOP", desktop);
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    environment.remove("DISPLAY");
    environment.remove("WAYLAND_DISPLAY");
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(TANDRI_PROGRAM), {});
    ASSERT_TRUE(program.waitForStarted());

    QByteArray errors;
    const auto hidden = [&] {
        errors += program.readAllStandardError();
        return readDomain(config.path(), "com.apple.dock").value("autohide-delay").toDouble() ==
               1000.0;
    };
    ASSERT_TRUE(waitForEvents(hidden, 60000)) << errors.toStdString();
    // Taken keys are reported and the program keeps running.
    ASSERT_TRUE(waitForEvents(
        [&] {
            errors += program.readAllStandardError();
            return errors.contains("running on");
        },
        60000));
    EXPECT_TRUE(errors.contains("Tandri: ⌥Space is taken by another app")) << errors.toStdString();
    EXPECT_EQ(program.state(), QProcess::Running);

    program.terminate();  // SIGTERM
    ASSERT_TRUE(program.waitForFinished(60000));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);

    // The user's own Dock settings are back; nothing of ours is left in them.
    const QJsonObject dock = readDomain(config.path(), "com.apple.dock");
    EXPECT_EQ(dock.value("autohide-delay").toDouble(), 0.2);
    EXPECT_FALSE(dock.contains("autohide"));
    EXPECT_EQ(readDomain(config.path(), "app.tandri").value("hideDock"), QJsonValue(true));
}

TEST(Program, MenuProbeWritesTheMenusAndSaysWhenItCannot) {
    QTemporaryDir config;
    QTemporaryDir scratch;
    ASSERT_TRUE(config.isValid() && scratch.isValid());
    const QString desktop = scratch.filePath("desktop.json");
    writeFile(desktop, R"({"apps": [{"pid": 10, "name": "Notes", "windows": [{"title": ""}]}]})");
    const auto probe = [&](const QString& path, QByteArray* errors) {
        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("XDG_CONFIG_HOME", config.path());
        environment.insert("TANDRI_DESKTOP", desktop);
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(TANDRI_PROGRAM), {"--menu-probe", path});
        EXPECT_TRUE(program.waitForFinished(60000));
        *errors = program.readAllStandardError();
        return program.exitCode();
    };
    QByteArray errors;
    const QString path = scratch.filePath("menus.txt");
    EXPECT_EQ(probe(path, &errors), 0) << errors.toStdString();
    QFile written(path);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(written.readAll()),
              "Accessibility: true\nShow All Windows available: true\n== Notes\n    Untitled\n"
              "  ────\n    Show All Windows\n    Hide\n    Quit\n  ⌥ Force Quit");
    // A folder that is not there: an error and a failing status, not a silent success.
    EXPECT_EQ(probe(scratch.filePath("missing/menus.txt"), &errors), 1);
    EXPECT_TRUE(errors.contains("cannot write")) << errors.toStdString();
}

}  // namespace
}  // namespace tandri::test
