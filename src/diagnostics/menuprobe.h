// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringList>

#include "platform/menu.h"

namespace tandri {

struct Platform;

/// "--menu-probe PATH": the context menu of every app entry, as text.
namespace MenuProbe {

/// The menu's lines, a submenu's under its item and indented six blanks further.
QStringList dump(const Menu& menu, int indent = 2);
/// The whole report.
QString text(Platform& platform);
/// Writes the report to `path` in one step: the file is replaced whole or not at all. Returns an
/// error text, empty on success.
QString run(Platform& platform, const QString& path);

}  // namespace MenuProbe
}  // namespace tandri
