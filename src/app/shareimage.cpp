// SPDX-License-Identifier: MIT
#include "app/shareimage.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QTemporaryDir>

#include "app/stagedplatform.h"
#include "diagnostics/pictures.h"
#include "diagnostics/ringstage.h"
#include "diagnostics/stageddesktop.h"
#include "platform/preferences.h"
#include "prefs/brand.h"
#include "prefs/settings.h"
#include "windows/thumbnailcache.h"

namespace tandri::ShareImage {

namespace {

// The product's name and what it does, on the left, over a shade that keeps them legible.
void caption(QImage& picture) {
    QPainter painter(&picture);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    QLinearGradient shade(0, 0, picture.width() * 0.5, 0);
    shade.setColorAt(0, QColor(0, 0, 0, 150));
    shade.setColorAt(1, QColor(0, 0, 0, 0));
    painter.fillRect(picture.rect(), shade);
    painter.scale(scale, scale);
    QFont name = painter.font();
    name.setPixelSize(84);
    name.setWeight(QFont::Bold);
    painter.setFont(name);
    const QRectF nameArea(64, 60, 560, 110);
    painter.setPen(QColor(0, 0, 0, 90));
    painter.drawText(nameArea.translated(0, 3), Qt::AlignLeft | Qt::AlignVCenter, Brand::name());
    painter.setPen(Qt::white);
    painter.drawText(nameArea, Qt::AlignLeft | Qt::AlignVCenter, Brand::name());
    QFont line = painter.font();
    line.setPixelSize(26);
    line.setWeight(QFont::Medium);
    painter.setFont(line);
    painter.setPen(QColor(255, 255, 255, 230));
    painter.drawText(QRectF(68, 170, 640, 120), Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip,
                     QStringLiteral("Your apps in a ring around the pointer.\n"
                                    "Hold, flick, let go."));
}

}  // namespace

bool run(const QString& path, const LookChoice& look, WindowLayout layout, QTextStream& out,
         QTextStream& err) {
    QTemporaryDir work;
    if (!work.isValid()) {
        err << "tandri: no temporary folder for the staged desktop\n";
        return false;
    }
    QString error;
    auto staged = StagedPlatform::sample(work.path(), look.dark, look.accent, &error);
    if (!staged) {
        err << "tandri: " << error << '\n';
        return false;
    }
    Preferences& preferences = staged->platform().preferences;
    preferences.setValue(Preferences::appDomain, Settings::ringStyleKey, rawValue(look.style));
    preferences.setValue(Preferences::appDomain, Settings::backgroundKey(look.style),
                         rawValue(look.background));
    preferences.setValue(Preferences::appDomain, Settings::windowLayoutKey, rawValue(layout));

    RingStage stage(staged->platform(), &staged->thumbnails(),
                    [&staged](double seconds) { staged->run(seconds); });
    if (!stage.open() || !stage.aim(StagedDesktop::windowsApp)) {
        err << "tandri: the staged ring did not open\n";
        return false;
    }
    stage.aimChip(0);
    // The desktop out of focus, so that the ring and the name stand out.
    const QImage screen = Pictures::blurred(
        StagedDesktop::screenPicture(staged->platform(), scale, look.dark), 16 * scale);
    // The ring right of the middle, leaving the left to the name.
    const QSize pixels = size * scale;
    const QRect shown = stage.shownArea(scale);
    QImage picture = Pictures::cropped(stage.picture(screen, scale),
                                       shown.translated(-pixels.width() / 6, 0), pixels);
    stage.close();
    caption(picture);
    if (!Pictures::writePNG(picture, path, &error)) {
        err << "tandri: cannot write " << path << " (" << error << ")\n";
        return false;
    }
    out << path << '\n';
    return true;
}

}  // namespace tandri::ShareImage
