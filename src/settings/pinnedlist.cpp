// SPDX-License-Identifier: MIT
#include "settings/pinnedlist.h"

#include <QDropEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QTimer>
#include <QToolButton>
#include <QUrl>

#include "catalogue/appsource.h"
#include "catalogue/pinnedapps.h"
#include "platform/platform.h"
#include "platform/workspace.h"
#include "settings/symbols.h"

namespace tandri {

namespace {

constexpr int pathRole = Qt::UserRole;

}  // namespace

PinnedList::PinnedList(Platform& platform, QWidget* parent)
    : QListWidget(parent), platform_(platform) {
    setObjectName(QStringLiteral("pinnedList"));
    setMaximumHeight(maximumHeight);
    setDragDropMode(QAbstractItemView::InternalMove);
    setDefaultDropAction(Qt::MoveAction);
    setSelectionMode(QAbstractItemView::SingleSelection);
    reload();
}

void PinnedList::reload() {
    clear();
    for (const QString& path : PinnedApps::paths(platform_.preferences)) addRow(path);
}

QStringList PinnedList::paths() const {
    QStringList result;
    for (int row = 0; row < count(); ++row) result << item(row)->data(pathRole).toString();
    return result;
}

void PinnedList::addRow(const QString& path) {
    auto* row = new QListWidgetItem(this);
    row->setData(pathRole, path);
    QString name = platform_.workspace.displayName(path);
    // "Mail.app" and "org.example.Mail.desktop" read as the app's name.
    if (const QString suffix = platform_.workspace.applicationSuffix();
        !suffix.isEmpty() && name.endsWith(suffix))
        name.chop(suffix.size());
    // The text stays on the item too: it is what a drag shows and what tests and screen readers
    // read.
    row->setText(name);
    row->setToolTip(path);

    auto* widget = new QWidget;
    auto* layout = new QHBoxLayout(widget);
    layout->setContentsMargins(4, 2, 4, 2);
    auto* icon = new QLabel;
    icon->setPixmap(
        QPixmap::fromImage(AppSource::icon(platform_.workspace, QUrl::fromLocalFile(path))
                               .scaled(20, 20, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    icon->setFixedSize(20, 20);
    layout->addWidget(icon);
    auto* label = new QLabel(name);
    layout->addWidget(label, 1);
    auto* remove = new QToolButton;
    remove->setObjectName(QStringLiteral("remove"));
    remove->setIcon(Symbols::icon(QStringLiteral("minus.circle")));
    remove->setAutoRaise(true);
    remove->setToolTip(QStringLiteral("Remove from the ring"));
    remove->setAccessibleName(QStringLiteral("Remove %1 from the ring").arg(name));
    layout->addWidget(remove);
    // The row's own widget would be drawn over the item's text.
    row->setForeground(Qt::transparent);
    row->setSizeHint(widget->sizeHint());
    setItemWidget(row, widget);
    connect(remove, &QToolButton::clicked, this, [this, path] {
        PinnedApps::remove(platform_.preferences, QUrl::fromLocalFile(path));
        // Not from inside the button's own click: the row and the button go away.
        QTimer::singleShot(0, this, [this] { reload(); });
    });
}

void PinnedList::dropEvent(QDropEvent* event) {
    QListWidget::dropEvent(event);
    PinnedApps::setPaths(platform_.preferences, paths());
    // A move keeps the items but not the widgets drawn in them: build the rows again.
    QTimer::singleShot(0, this, [this] { reload(); });
}

}  // namespace tandri
