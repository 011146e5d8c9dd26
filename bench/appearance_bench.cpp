// SPDX-License-Identifier: MIT
// One full reading of the desktop's appearance, as the ring makes at every opening: GNOME's
// through GSettings (a schema compiled into a temporary folder, the keyfile backend) and
// Plasma's from kdeglobals (stat only, while the file is unchanged).
#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QTemporaryDir>

#include "platform/common/desktopappearance.h"

using namespace tandri;

namespace {

bool write(const QString& path, const QByteArray& text) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
}

void BM_AppearanceReading(benchmark::State& state, const char* desktop) {
    qputenv("XDG_CURRENT_DESKTOP", desktop);
    const DesktopAppearance appearance([] { return false; });
    bool dark = false;
    for (auto _ : state) {
        const DesktopAppearance::Reading reading = appearance.read();
        dark ^= reading.dark;
        benchmark::DoNotOptimize(dark);
        if (!reading.accent)
            state.SkipWithError("no accent read");
    }
}
BENCHMARK_CAPTURE(BM_AppearanceReading, GNOME, "GNOME")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_AppearanceReading, KDE, "KDE")->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QTemporaryDir root;
    const QString schemas = root.filePath("schemas");
    const bool written =
        write(schemas + "/bench.gschema.xml",
              "<schemalist><schema id='org.gnome.desktop.interface' "
              "path='/org/gnome/desktop/interface/'>"
              "<key name='color-scheme' type='s'><default>'prefer-dark'</default></key>"
              "<key name='gtk-theme' type='s'><default>'Adwaita'</default></key>"
              "<key name='accent-color' type='s'><default>'teal'</default></key>"
              "</schema></schemalist>\n") &&
        write(root.filePath("config/kdeglobals"),
              "[Colors:Selection]\nBackgroundNormal=61,174,233\n"
              "[Colors:Window]\nBackgroundNormal=32,35,38\nForegroundNormal=252,252,252\n"
              "[General]\nAccentColor=61,174,233\nColorScheme=BreezeDark\n"
              "[KDE]\nLookAndFeelPackage=org.kde.breezedark.desktop\n");
    if (!written || QProcess::execute("glib-compile-schemas", {schemas}) != 0) {
        qWarning("cannot prepare the desktop's settings in %s", qUtf8Printable(root.path()));
        return 1;
    }
    qputenv("GSETTINGS_SCHEMA_DIR", schemas.toLocal8Bit());
    qputenv("GSETTINGS_BACKEND", "keyfile");
    qputenv("XDG_CONFIG_HOME", root.filePath("config").toLocal8Bit());
    qputenv("XDG_CONFIG_DIRS", root.filePath("xdg").toLocal8Bit());
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
