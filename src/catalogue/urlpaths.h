// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QUrl>

namespace tandri {

/// Path arithmetic on file URLs shared by the catalogue and the chips.
namespace UrlPaths {

/// The URL's file-system path: the local file for file URLs, else the URL's path.
QString filePath(const QUrl& url);
/// The path with "." and ".." components resolved and without a trailing slash.
QString standardizedPath(const QUrl& url);
/// The last component of the URL's path, ignoring a trailing slash.
QString lastPathComponent(const QUrl& url);
/// `name` without its last extension; a name that only starts with a dot keeps it.
QString deletingPathExtension(const QString& name);

}  // namespace UrlPaths
}  // namespace tandri
