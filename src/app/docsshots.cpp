// SPDX-License-Identifier: MIT
#include "app/docsshots.h"

#include <QDir>
#include <QMenu>
#include <QPainter>
#include <QTemporaryDir>

#include "app/stagedplatform.h"
#include "diagnostics/pictures.h"
#include "diagnostics/ringstage.h"
#include "diagnostics/stageddesktop.h"
#include "onboarding/onboardingview.h"
#include "onboarding/onboardingwindow.h"
#include "platform/common/qtmenubuilder.h"
#include "platform/preferences.h"
#include "platform/sim/simdesktop.h"
#include "prefs/lookchoice.h"
#include "prefs/settings.h"
#include "ring/ringcontroller.h"
#include "settings/settingsview.h"
#include "settings/settingswindow.h"
#include "windows/thumbnailcache.h"

namespace tandri::DocsShots {

namespace {

// The looks, each with a layout of its own; all point at the same window, so that the pictures
// differ by the look alone.
struct LookShot {
    RingStyle style;
    WindowLayout layout;
};
const LookShot lookShots[] = {
    {RingStyle::Glass, WindowLayout::Arc},   {RingStyle::Quib, WindowLayout::Column},
    {RingStyle::Aura, WindowLayout::Arc},    {RingStyle::Orbit, WindowLayout::Column},
    {RingStyle::Outline, WindowLayout::Arc},
};

class Shots {
public:
    Shots(StagedPlatform& staged, QString folder, QTextStream& out, QTextStream& err)
        : staged_(staged),
          folder_(std::move(folder)),
          out_(out),
          err_(err),
          stage_(staged.platform(), &staged.thumbnails(), [&staged](double s) { staged.run(s); }),
          screen_(StagedDesktop::screenPicture(staged.platform(), scale, false)) {}

    bool all() {
        Preferences& prefs = staged_.platform().preferences;
        for (const LookShot& shot : lookShots) {
            prefs.setValue(Preferences::appDomain, Settings::ringStyleKey, rawValue(shot.style));
            prefs.setValue(Preferences::appDomain, Settings::windowLayoutKey,
                           rawValue(shot.layout));
            if (!ring(QStringLiteral("ring-") + rawValue(shot.style), StagedDesktop::windowsApp, 0))
                return false;
        }
        prefs.setValue(Preferences::appDomain, Settings::ringStyleKey, rawValue(RingStyle::Glass));
        prefs.setValue(Preferences::appDomain, Settings::windowLayoutKey,
                       rawValue(WindowLayout::Arc));
        return ring(QStringLiteral("ring-folder"), StagedDesktop::folderName, 2) && menu() &&
               settings() && guide();
    }

private:
    bool write(const QString& name, const QImage& image) {
        const QString path = QDir(folder_).filePath(name + QStringLiteral(".png"));
        QString error;
        if (image.isNull()) {
            err_ << "tandri: could not draw " << path << '\n';
            return false;
        }
        if (!Pictures::writePNG(image, path, &error)) {
            err_ << "tandri: cannot write " << path << " (" << error << ")\n";
            return false;
        }
        out_ << path << '\n';
        out_.flush();
        return true;
    }

    bool opened(const QString& name, const QString& entry) {
        if (stage_.open() && stage_.aim(entry))
            return true;
        err_ << "tandri: the staged ring for " << name << " has no entry " << entry << '\n';
        return false;
    }

    bool ring(const QString& name, const QString& entry, int chip) {
        if (!opened(name, entry))
            return false;
        stage_.aimChip(chip);
        const QImage picture = Pictures::cropped(stage_.picture(screen_, scale),
                                                 stage_.shownArea(scale), ringShot * scale);
        stage_.close();
        return write(name, picture);
    }

    // The entry's menu where a right-click opens it, beside the pointer.
    bool menu() {
        if (!opened(QStringLiteral("ring-menu"), StagedDesktop::windowsApp))
            return false;
        const auto shown = staged_.desktop().shownMenus().size();
        stage_.ring().rightClicked();
        if (staged_.desktop().shownMenus().size() == shown) {
            err_ << "tandri: the staged ring showed no menu\n";
            return false;
        }
        // The menu as the platform draws it, at the picture's scale.
        QMenu qmenu;
        QtMenuBuilder::fill(qmenu, staged_.desktop().shownMenus().back());
        qmenu.ensurePolished();
        qmenu.resize(qmenu.sizeHint());
        QImage menu(qmenu.size() * scale, QImage::Format_ARGB32_Premultiplied);
        menu.setDevicePixelRatio(scale);
        menu.fill(Qt::transparent);
        qmenu.render(&menu);
        QImage picture = stage_.picture(screen_, scale);
        const QRect menuRect(stage_.inPicture(stage_.pointer(), scale).toPoint(),
                             qmenu.size() * scale);
        QPainter painter(&picture);
        painter.drawImage(menuRect.topLeft(), menu);
        painter.end();
        stage_.close();
        return write(
            QStringLiteral("ring-menu"),
            Pictures::cropped(picture, stage_.shownArea(scale) | menuRect, ringShot * scale));
    }

    bool settings() {
        SettingsWindow window(staged_.platform());
        for (SettingsTab tab : SettingsTabs::all) {
            window.show(tab);
            staged_.run(0.5);
            if (!window.view() || !write(QStringLiteral("settings-") + SettingsTabs::rawValue(tab),
                                         window.view()->grab().toImage()))
                return false;
        }
        window.close();
        staged_.run(0.5);
        return true;
    }

    bool guide() {
        OnboardingWindow welcome(staged_.platform());
        welcome.show(0);
        for (int step = 0; step <= OnboardingView::lastStep; ++step) {
            if (!welcome.view() || !welcome.window())
                return false;
            welcome.view()->setStep(step);
            // The flick demonstration's ring has opened by then.
            staged_.run(1.5);
            if (!write(QStringLiteral("guide-%1").arg(step), welcome.window()->grab().toImage()))
                return false;
        }
        welcome.applicationWillTerminate();
        return true;
    }

    StagedPlatform& staged_;
    const QString folder_;
    QTextStream& out_;
    QTextStream& err_;
    RingStage stage_;
    const QImage screen_;
};

}  // namespace

QString defaultFolder() {
    const QDir here = QDir::current();
    if (here.exists(QStringLiteral("CMakePresets.json")) &&
        here.exists(QStringLiteral("docs/images")))
        return here.filePath(QStringLiteral("docs/images"));
    return here.path();
}

bool run(const QString& folder, QTextStream& out, QTextStream& err) {
    if (!QDir().mkpath(folder)) {
        err << "tandri: cannot make the folder " << folder << '\n';
        return false;
    }
    QTemporaryDir work;
    if (!work.isValid()) {
        err << "tandri: no temporary folder for the staged desktop\n";
        return false;
    }
    QString error;
    auto staged = StagedPlatform::sample(work.path(), false, LookChoice::fallbackAccent, &error);
    if (!staged) {
        err << "tandri: " << error << '\n';
        return false;
    }
    Shots shots(*staged, folder, out, err);
    const bool done = shots.all();
    err.flush();
    return done;
}

}  // namespace tandri::DocsShots
