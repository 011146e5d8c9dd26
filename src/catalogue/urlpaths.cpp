// SPDX-License-Identifier: MIT
#include "catalogue/urlpaths.h"

#include <QDir>

namespace tandri::UrlPaths {

QString filePath(const QUrl& url) {
    if (!url.isLocalFile())
        return url.path();
    // "file://localhost/..." names a local path, not a network share.
    if (url.host().compare(QStringLiteral("localhost"), Qt::CaseInsensitive) == 0) {
        return url.path(QUrl::FullyDecoded);
    }
    return url.toLocalFile();
}

QString standardizedPath(const QUrl& url) {
    const QString path = filePath(url);
    return path.isEmpty() ? path : QDir::cleanPath(path);
}

QString lastPathComponent(const QUrl& url) {
    QString path = standardizedPath(url);
    if (path == QStringLiteral("/"))
        return path;
    return path.section(QLatin1Char('/'), -1);
}

QString deletingPathExtension(const QString& name) {
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot > 0 ? name.left(dot) : name;
}

}  // namespace tandri::UrlPaths
