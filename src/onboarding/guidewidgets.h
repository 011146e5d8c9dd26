// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

class QLabel;
class QWidget;

namespace tandri {

struct Platform;

/// The pieces the guide's pages are made of, so that the pages look alike.
namespace GuideWidgets {

/// A page's heading.
QLabel* heading(const QString& text, const QString& name, QWidget* parent);
/// A wrapped paragraph.
QLabel* paragraph(const QString& text, const QString& name, QWidget* parent);
/// A symbol (see Symbols::icon) at `side` points.
QLabel* symbol(const QString& symbolName, int side, QWidget* parent);
/// Shows another symbol in a label made by `symbol`.
void setSymbol(QLabel* label, const QString& symbolName);
/// A stored shortcut label as this desktop writes it.
QString shortcutLabel(Platform& platform);

}  // namespace GuideWidgets

}  // namespace tandri
