// SPDX-License-Identifier: MIT
#include "actions/droptarget.h"

#include <QDir>
#include <QFileInfo>

#include "platform/files.h"
#include "platform/platform.h"
#include "platform/system.h"
#include "platform/workspace.h"

namespace tandri {

namespace {

QString standardized(const QString& path) {
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

bool isWithin(const QString& path, const QString& folder) {
    return path == folder || path.startsWith(folder.endsWith(u'/') ? folder : folder + u'/');
}

}  // namespace

DragOperation DropTarget::dragOperation() const {
    return kind_ == Kind::OpenWith ? DragOperation::Copy : DragOperation::Move;
}

void DropTarget::perform(Platform& platform, const std::vector<QUrl>& urls) const {
    switch (kind_) {
        case Kind::OpenWith:
            platform.workspace.openFiles(urls, url_, true);
            break;
        case Kind::Trash:
            for (const auto& url : urls) {
                if (!platform.workspace.moveToTrash(url))
                    platform.system.beep();
            }
            break;
        case Kind::MoveInto:
            for (const auto& url : urls) place(platform, url, url_);
            break;
    }
}

QString DropTarget::freeName(Platform& platform, const QString& folder, const QString& fileName) {
    const QDir destination(folder);
    QString candidate = destination.filePath(fileName);
    // Only the last extension stays apart: "archive.tar.gz" becomes "archive.tar 2.gz".
    const qsizetype dot = fileName.lastIndexOf(u'.');
    const bool hasExtension = dot > 0 && dot < fileName.size() - 1;
    const QString base = hasExtension ? fileName.left(dot) : fileName;
    const QString extension = hasExtension ? fileName.mid(dot) : QString();
    for (int counter = 2; platform.files.exists(candidate) || QFileInfo(candidate).isSymLink();
         ++counter) {
        candidate = destination.filePath(base + u' ' + QString::number(counter) + extension);
    }
    return candidate;
}

void DropTarget::place(Platform& platform, const QUrl& item, const QUrl& folder) {
    if (!item.isLocalFile() || !folder.isLocalFile()) {
        platform.system.beep();
        return;
    }
    const QString source = standardized(item.toLocalFile());
    const QString destination = standardized(folder.toLocalFile());
    if (standardized(QFileInfo(source).path()) == destination)
        return;  // already there
    // A folder dropped into itself or one of its own subfolders would never finish copying.
    if (isWithin(destination, source)) {
        platform.system.beep();
        return;
    }
    const QString target = freeName(platform, destination, QFileInfo(source).fileName());
    const auto sourceVolume = platform.files.volumeID(source);
    const bool sameVolume = sourceVolume && sourceVolume == platform.files.volumeID(destination);
    const bool done =
        sameVolume ? platform.files.move(source, target) : platform.files.copy(source, target);
    if (!done)
        platform.system.beep();
}

}  // namespace tandri
