// SPDX-License-Identifier: MIT
// Renders the program's SVG icon as a square PNG of a given size, for the icon theme's fixed-size
// folders. Build-time only: svgtopng INPUT.svg SIZE OUTPUT.png
#include <QCoreApplication>
#include <QImage>
#include <QImageReader>
#include <QTextStream>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTextStream err(stderr);
    const QStringList arguments = QCoreApplication::arguments();
    bool ok = false;
    const int size = arguments.size() == 4 ? arguments[2].toInt(&ok) : 0;
    if (!ok || size <= 0) {
        err << "usage: svgtopng INPUT.svg SIZE OUTPUT.png\n";
        return 2;
    }
    QImageReader reader(arguments[1]);
    reader.setScaledSize(QSize(size, size));
    const QImage image = reader.read();
    // Without Qt's SVG image plugin (Debian's libqt6svg6) there is nothing to render with.
    if (image.isNull() || image.size() != QSize(size, size)) {
        err << "svgtopng: cannot render " << arguments[1] << ": " << reader.errorString() << '\n';
        return 1;
    }
    if (!image.save(arguments[3], "PNG")) {
        err << "svgtopng: cannot write " << arguments[3] << '\n';
        return 1;
    }
    return 0;
}
