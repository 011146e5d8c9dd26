// SPDX-License-Identifier: MIT
#include "diagnostics/stageddesktop.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLinearGradient>
#include <QPainter>
#include <QRadialGradient>
#include <QUrl>

#include "catalogue/pinnedapps.h"
#include "platform/platform.h"
#include "platform/preferences.h"
#include "platform/screencapture.h"
#include "platform/screens.h"
#include "prefs/settings.h"

namespace tandri::StagedDesktop {

namespace {

struct Window {
    const char* title;
    QRectF frame;
    bool minimized = false;
};

struct App {
    qint32 pid;
    const char* name;
    const char* id;
    double launched;
    /// None for an app that does not run.
    std::vector<Window> windows;
};

// In the order their windows lie on the screen, the front app's last; the ring orders them by
// the pins and the launch times.
const std::vector<App>& apps() {
    using W = std::vector<Window>;
    static const W chat = {{"Team room", {30, 600, 420, 270}}, {"Maya", {60, 570, 400, 260}}};
    static const W files = {{"Home", {420, 660, 460, 220}}, {"Projects", {450, 630, 460, 220}}};
    static const W terminal = {{"~/projects/lighthouse", {700, 30, 400, 220}}};
    static const W music = {{"Evening mix", {960, 660, 440, 200}}};
    static const W notes = {{"Packing list", {1110, 60, 300, 380}},
                            {"Book ideas", {1080, 40, 300, 380}}};
    static const W mail = {{"Inbox – 3 unread", {940, 320, 470, 320}},
                           {"Re: Saturday's bike ride", {970, 290, 450, 300}},
                           {"Garden plans", {1000, 260, 420, 280}, true}};
    static const W browser = {{"Tide tables – North Bay", {30, 240, 540, 360}},
                              {"Sourdough starter, day 4", {56, 215, 540, 360}},
                              {"Trail map: Ridge loop", {82, 190, 540, 360}},
                              {"Concert tickets", {108, 165, 540, 360}},
                              {"Weather this week", {134, 140, 540, 360}}};
    static const std::vector<App> list = {
        {407, "Chat", "org.example.chat", 70, chat},
        {401, "Files", "com.apple.finder", 10, files},
        {405, "Terminal", "org.example.terminal", 50, terminal},
        {406, "Music", "org.example.music", 60, music},
        {404, "Notes", "org.example.notes", 40, notes},
        {402, "Mail", "org.example.mail", 20, mail},
        {408, "Calendar", "org.example.calendar", 0, {}},
        {409, "Photos", "org.example.photos", 0, {}},
        {403, "Browser", "org.example.browser", 30, browser},
    };
    return list;
}

// The ring's own pinned list, in its order.
const char* const pinned[] = {"Mail", "Browser", "Calendar", "Notes", "Music", "Photos"};

const App* named(const char* name) {
    for (const App& app : apps()) {
        if (qstrcmp(app.name, name) == 0)
            return &app;
    }
    return nullptr;
}

QString bundlePath(const QString& root, const App& app) {
    return QStringLiteral("%1/Applications/%2.app").arg(root, QLatin1String(app.name));
}

QJsonArray rect(const QRectF& r) {
    return QJsonArray{r.x(), r.y(), r.width(), r.height()};
}

}  // namespace

QString folder(const QString& root) {
    return root + u'/' + folderName;
}

QByteArray description(const QString& root, bool dark, const QColor& accent) {
    QJsonArray running;
    QJsonObject bundles;
    for (const App& app : apps()) {
        bundles.insert(QLatin1String(app.id), bundlePath(root, app));
        if (app.windows.empty())
            continue;
        QJsonArray windows;
        int id = app.pid * 10;
        for (const Window& window : app.windows) {
            windows.append(QJsonObject{{"title", QString::fromUtf8(window.title)},
                                       {"id", ++id},
                                       {"frame", rect(window.frame)},
                                       {"minimized", window.minimized}});
        }
        QJsonObject entry{{"pid", app.pid},
                          {"name", QLatin1String(app.name)},
                          {"bundleID", QLatin1String(app.id)},
                          {"bundlePath", bundlePath(root, app)},
                          {"launched", app.launched},
                          {"windows", windows}};
        if (QLatin1String(app.name) == windowsApp) {
            // Read from the app's menu bar for its entry's menu: the file menu is the third.
            const QJsonArray file{
                QJsonObject{{"title", "New Window"}, {"cmdChar", "N"}, {"cmdModifiers", 0}},
                QJsonObject{{"title", "New Private Window"}, {"cmdChar", "N"}, {"cmdModifiers", 1}},
                QJsonObject{{"title", "New Tab"}, {"cmdChar", "T"}, {"cmdModifiers", 0}}};
            entry.insert("menuBar", QJsonArray{QJsonObject{{"title", "System"}},
                                               QJsonObject{{"title", windowsApp}},
                                               QJsonObject{{"title", "File"}, {"items", file}}});
        }
        running.append(entry);
    }
    const QJsonObject desktop{
        {"screens", QJsonArray{QJsonObject{{"frame", QJsonArray{0, 0, 1440, 900}},
                                           {"visible", QJsonArray{0, 0, 1440, 868}}}}},
        {"pointer", QJsonArray{720, 450}},
        {"trusted", true},
        {"screenCapture", true},
        {"frontmost", 403},
        {"dark", dark},
        {"accent", accent.name()},
        {"apps", running},
        {"bundles", bundles},
    };
    return QJsonDocument(desktop).toJson(QJsonDocument::Compact);
}

void pin(Preferences& preferences, const QString& root) {
    QStringList paths;
    for (const char* name : pinned) paths << bundlePath(root, *named(name));
    paths << folder(root);
    PinnedApps::setPaths(preferences, paths);
    preferences.setValue(Preferences::appDomain, Settings::appSetKey,
                         rawValue(AppSet::PinnedAndOpen));
}

QString make(const QString& root) {
    // Pinned apps that do not run are on the ring only where they are installed.
    for (const App& app : apps()) {
        if (!QDir().mkpath(bundlePath(root, app)))
            return QStringLiteral("cannot make ") + bundlePath(root, app);
    }
    const char* names[] = {"Boarding pass.pdf", "Lighthouse photos.zip", "Invoice 2024-031.pdf",
                           "Meeting notes.odt", "Sourdough recipe.txt",  "Budget 2025.ods",
                           "Trail map.gpx",     "Concert tickets.pdf",   "Garden plan.svg"};
    if (!QDir().mkpath(folder(root)))
        return QStringLiteral("cannot make the folder ") + folder(root);
    // A day apart, the first the newest.
    QDateTime when = QDateTime::currentDateTime();
    for (const char* name : names) {
        QFile file(QDir(folder(root)).filePath(QString::fromUtf8(name)));
        if (!file.open(QIODevice::WriteOnly) || file.write("A sample file.\n") < 0)
            return QStringLiteral("cannot write ") + file.fileName();
        file.setFileTime(when, QFileDevice::FileModificationTime);
        when = when.addDays(-1);
    }
    return {};
}

QImage screenPicture(Platform& platform, double scale, bool dark) {
    const std::vector<Screen> screens = platform.screens.screens();
    const QRectF screen = screens.empty() ? QRectF(0, 0, 1440, 900) : screens.front().frame;
    QImage picture(int(screen.width() * scale), int(screen.height() * scale),
                   QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, picture.width(), picture.height());
    sky.setColorAt(0, dark ? QColor(18, 24, 48) : QColor(74, 110, 170));
    sky.setColorAt(0.55, dark ? QColor(40, 34, 78) : QColor(132, 118, 190));
    sky.setColorAt(1, dark ? QColor(70, 30, 70) : QColor(230, 150, 160));
    painter.fillRect(picture.rect(), sky);
    QRadialGradient glow(picture.width() * 0.7, picture.height() * 0.25, picture.width() * 0.5);
    glow.setColorAt(0, QColor(255, 255, 255, dark ? 40 : 70));
    glow.setColorAt(1, QColor(255, 255, 255, 0));
    painter.fillRect(picture.rect(), glow);

    for (const ShareableWindow& window :
         platform.screenCapture.shareableWindows().value_or(std::vector<ShareableWindow>{})) {
        const QRectF& f = window.frame;
        const QRectF rect((f.x() - screen.x()) * scale,
                          (screen.height() - (f.y() - screen.y()) - f.height()) * scale,
                          f.width() * scale, f.height() * scale);
        // A soft shadow, a little below.
        painter.setPen(Qt::NoPen);
        for (int i = 1; i <= 12; ++i) {
            painter.setBrush(QColor(0, 0, 0, 7));
            painter.drawRoundedRect(rect.adjusted(-i, -i + 6, i, i + 6), 8 + i, 8 + i);
        }
        const QImage content = platform.screenCapture.capture(window.id, rect.size().toSize());
        if (!content.isNull())
            painter.drawImage(rect.topLeft(), content);
    }
    painter.end();
    return picture;
}

}  // namespace tandri::StagedDesktop
