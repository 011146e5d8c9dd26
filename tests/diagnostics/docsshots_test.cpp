// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>

#include "app/docsshots.h"
#include "app/shareimage.h"
#include "onboarding/onboardingwindow.h"
#include "settings/settingsview.h"
#include "support/testfiles.h"

namespace tandri::test {
namespace {

struct Outcome {
    int status = -1;
    QStringList printed;
    QString errors;
};

// The program in a documentation mode, in `folder`, with preferences of its own there.
Outcome program(const QStringList& arguments, const QString& folder) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", folder + "/config");
    env.remove("TANDRI_DESKTOP");
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(folder);
    process.start(QStringLiteral(TANDRI_BINARY), arguments);
    if (!process.waitForFinished(240000))
        process.kill();
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts),
            QString::fromUtf8(process.readAllStandardError())};
}

// Distinct colours on a grid over the picture: a blank or flat picture has one or two.
int colours(const QImage& image) {
    QSet<QRgb> seen;
    for (int y = 0; y < image.height(); y += 7) {
        for (int x = 0; x < image.width(); x += 7) seen.insert(image.pixel(x, y));
    }
    return int(seen.size());
}

TEST(DocumentationPictures, WritesEveryPictureItNamesInTheCurrentFolder) {
    QTemporaryDir here;
    const Outcome run = program({"--docs-shots"}, here.path());
    ASSERT_EQ(run.status, 0) << run.errors.toStdString();

    const QSize ringSize = DocsShots::ringShot * DocsShots::scale;
    std::map<QString, QSize> expected;
    for (const char* ring : {"glass", "quib", "aura", "orbit", "outline", "folder", "menu"})
        expected[QStringLiteral("ring-") + ring] = ringSize;
    for (const char* tab : {"general", "apps", "look", "windows"})
        expected[QStringLiteral("settings-") + tab] = {SettingsView::width, SettingsView::height};
    for (int page = 0; page < 4; ++page)
        expected[QStringLiteral("guide-%1").arg(page)] = OnboardingWindow::windowSize;
    std::map<QString, QImage> pictures;
    for (const QString& path : run.printed) {
        const QFileInfo file(path);
        EXPECT_EQ(file.absolutePath(), QDir(here.path()).canonicalPath()) << path.toStdString();
        pictures[file.completeBaseName()] = QImage(path);
    }
    ASSERT_EQ(pictures.size(), expected.size()) << run.printed.join(' ').toStdString();
    for (const auto& [name, size] : expected) {
        const QImage& image = pictures[name];
        ASSERT_FALSE(image.isNull()) << name.toStdString();
        EXPECT_EQ(image.size(), size) << name.toStdString();
        EXPECT_GT(colours(image), 20) << name.toStdString();
    }
    // Each look and each page is a picture of its own.
    for (auto a = pictures.begin(); a != pictures.end(); ++a) {
        for (auto b = std::next(a); b != pictures.end(); ++b)
            EXPECT_NE(a->second, b->second)
                << a->first.toStdString() << " " << b->first.toStdString();
    }
    // Nothing was stored for the user.
    EXPECT_FALSE(QDir(here.filePath("config")).exists());
}

TEST(DocumentationPictures, TheSharingPictureIsTwiceItsPointsAndLeavesTheUsersLookAlone) {
    QTemporaryDir here;
    const QString stored = here.filePath("config/tandri/defaults/app.tandri.json");
    writeFile(stored, R"({"ringStyle": "orbit"})");

    const QString path = here.filePath("share.png");
    const Outcome run = program({"--share-image", path}, here.path());
    ASSERT_EQ(run.status, 0) << run.errors.toStdString();
    EXPECT_EQ(run.printed, QStringList{path});
    const QImage image(path);
    EXPECT_EQ(image.size(), ShareImage::size * ShareImage::scale);
    EXPECT_GT(colours(image), 20);
    EXPECT_EQ(fileContents(stored), R"({"ringStyle": "orbit"})");
    EXPECT_EQ(QDir(here.filePath("config/tandri/defaults")).entryList(QDir::Files),
              QStringList{"app.tandri.json"});
    // A path that cannot be written is an error, not a success.
    const Outcome blocked = program({"--share-image", stored + "/share.png"}, here.path());
    EXPECT_EQ(blocked.status, 1);
    EXPECT_TRUE(blocked.errors.contains("cannot write")) << blocked.errors.toStdString();
}

}  // namespace
}  // namespace tandri::test
