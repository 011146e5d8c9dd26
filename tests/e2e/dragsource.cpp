// SPDX-License-Identifier: MIT
// A window that drags files, standing in for a file manager in the tests: a press on it starts
// a drag of the files named on the command line (`e2e_drag_source --label TITLE FILE...`), and
// the end of the drag is reported on standard output.
#include <QApplication>
#include <QDrag>
#include <QMimeData>
#include <QMouseEvent>
#include <QTextStream>
#include <QUrl>
#include <QWidget>

namespace {

class DragSource : public QWidget {
public:
    explicit DragSource(QList<QUrl> urls) : urls_(std::move(urls)) {}

protected:
    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() != Qt::LeftButton)
            return;
        auto* data = new QMimeData;  // the drag owns it
        data->setUrls(urls_);
        QDrag drag(this);
        drag.setMimeData(data);
        QTextStream(stdout) << "drag started" << Qt::endl;
        const Qt::DropAction action = drag.exec(Qt::CopyAction | Qt::MoveAction, Qt::CopyAction);
        QTextStream(stdout) << "drag ended: " << int(action) << Qt::endl;
    }

private:
    QList<QUrl> urls_;
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QStringList arguments = app.arguments().mid(1);
    QString title = QStringLiteral("Drag Source");
    if (arguments.size() >= 2 && arguments.front() == QStringLiteral("--label")) {
        title = arguments.at(1);
        arguments = arguments.mid(2);
    }
    QList<QUrl> urls;
    for (const QString& path : arguments) urls << QUrl::fromLocalFile(path);
    DragSource source(urls);
    source.setWindowTitle(title);
    source.setGeometry(40, 60, 220, 160);
    source.show();
    return app.exec();
}
