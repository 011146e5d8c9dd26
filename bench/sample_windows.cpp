// SPDX-License-Identifier: MIT
// One program with a window for each title on its command line, each filled with a colour of its
// own: an app with several windows, whose chips and pictures the measurements on a real X
// server need (scripts/memory-growth).
#include <QGuiApplication>
#include <QPainter>
#include <QRasterWindow>
#include <memory>
#include <vector>

namespace {

class PlainWindow : public QRasterWindow {
public:
    PlainWindow(const QString& title, QColor colour, QRect geometry) : colour_(colour) {
        setTitle(title);
        setGeometry(geometry);
        show();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter(this).fillRect(QRect(QPoint(), size()), colour_);
    }

private:
    QColor colour_;
};

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    std::vector<std::unique_ptr<PlainWindow>> windows;
    const QStringList titles = QGuiApplication::arguments().mid(1);
    for (int i = 0; i < titles.size(); ++i) {
        windows.push_back(
            std::make_unique<PlainWindow>(titles[i], QColor::fromHsv((i * 97) % 360, 160, 220),
                                          QRect(120 + 60 * i, 100 + 50 * i, 640, 420)));
    }
    return app.exec();
}
