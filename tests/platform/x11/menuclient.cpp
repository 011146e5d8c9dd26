// SPDX-License-Identifier: MIT
// A small application with a menu bar, standing in for another program in the tests: it says
// on standard output which command ran and shows it in its window's title.
#include <QApplication>
#include <QMainWindow>
#include <QMenuBar>
#include <QTextStream>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    const qsizetype titleAt = arguments.indexOf(QStringLiteral("--label"));
    const QString title =
        titleAt >= 0 ? arguments.value(titleAt + 1) : QStringLiteral("Menu Client");

    QMainWindow window;
    window.setWindowTitle(title);
    auto add = [&](QMenu* menu, const QString& text, const QKeySequence& shortcut = {}) {
        QAction* action = menu->addAction(text);
        action->setShortcut(shortcut);
        QObject::connect(action, &QAction::triggered, &window, [&window, title, action] {
            const QString name = action->text().remove(u'&');
            QTextStream(stdout) << "triggered: " << name << Qt::endl;
            window.setWindowTitle(title + QStringLiteral(" — ") + name);
        });
    };
    if (!arguments.contains(QStringLiteral("--no-menu-bar"))) {
        QMenu* file = window.menuBar()->addMenu(QStringLiteral("&File"));
        add(file, QStringLiteral("New &Window"), QKeySequence(QStringLiteral("Ctrl+N")));
        add(file, QStringLiteral("New Tab"), QKeySequence(QStringLiteral("Ctrl+T")));
        add(file, QStringLiteral("Open…"), QKeySequence(QStringLiteral("Ctrl+O")));
        QMenu* fresh = file->addMenu(QStringLiteral("New"));
        add(fresh, QStringLiteral("Document"), QKeySequence(QStringLiteral("Ctrl+Shift+N")));
        add(fresh, QStringLiteral("From Template"));
        file->addSeparator();
        add(file, QStringLiteral("&Print…"));
        add(file, QStringLiteral("Reload"), QKeySequence(QStringLiteral("F5")));
        add(file, QStringLiteral("Export"), QKeySequence(QStringLiteral("Ctrl+Alt+E")));
        add(file, QStringLiteral("Close Window"), QKeySequence(QStringLiteral("Ctrl+Shift+W")));
        QMenu* edit = window.menuBar()->addMenu(QStringLiteral("&Edit"));
        add(edit, QStringLiteral("Undo"), QKeySequence(QStringLiteral("Ctrl+Z")));
        QMenu* view = window.menuBar()->addMenu(QStringLiteral("&View"));
        add(view, QStringLiteral("Full Screen"), QKeySequence(QStringLiteral("Meta+F")));
        add(view, QStringLiteral("Zoom In"), QKeySequence(QStringLiteral("Ctrl++")));
    }
    window.resize(360, 240);
    window.show();
    return app.exec();
}
