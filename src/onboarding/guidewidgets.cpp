// SPDX-License-Identifier: MIT
#include "onboarding/guidewidgets.h"

#include <QIcon>
#include <QLabel>

#include "platform/platform.h"
#include "platform/vocabulary.h"
#include "settings/symbols.h"
#include "triggers/shortcut.h"

namespace tandri::GuideWidgets {

QLabel* heading(const QString& text, const QString& name, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() * 1.6);
    font.setBold(true);
    label->setFont(font);
    label->setAlignment(Qt::AlignHCenter);
    return label;
}

QLabel* paragraph(const QString& text, const QString& name, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    return label;
}

QLabel* symbol(const QString& symbolName, int side, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setFixedSize(side, side);
    setSymbol(label, symbolName);
    return label;
}

void setSymbol(QLabel* label, const QString& symbolName) {
    label->setPixmap(Symbols::icon(symbolName).pixmap(label->size()));
    // Read by tests and by screen readers alike.
    label->setAccessibleName(symbolName);
}

QString shortcutLabel(Platform& platform) {
    return platform.vocabulary.shortcut(Shortcut::current(platform.preferences).label);
}

}  // namespace tandri::GuideWidgets
