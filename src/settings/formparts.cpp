// SPDX-License-Identifier: MIT
#include "settings/formparts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QJsonValue>
#include <QLabel>
#include <QVBoxLayout>

#include "platform/preferences.h"

namespace tandri::FormParts {

QLabel* note(const QString& text, const QString& name) {
    auto* label = new QLabel(text);
    label->setObjectName(name);
    label->setWordWrap(true);
    label->setForegroundRole(QPalette::PlaceholderText);
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() * 0.9);
    label->setFont(font);
    return label;
}

QGroupBox* section(const QString& title, const QString& name) {
    auto* box = new QGroupBox(title);
    box->setObjectName(name);
    new QVBoxLayout(box);
    return box;
}

QVBoxLayout* rows(QGroupBox* section) {
    return qobject_cast<QVBoxLayout*>(section->layout());
}

QCheckBox* boundToggle(Preferences& preferences, const QString& key, const QString& text,
                       const QString& name) {
    auto* toggle = new QCheckBox(text);
    toggle->setObjectName(name);
    toggle->setChecked(preferences.boolValue(Preferences::appDomain, key));
    QObject::connect(toggle, &QCheckBox::toggled, toggle, [&preferences, key](bool on) {
        preferences.setValue(Preferences::appDomain, key, on);
    });
    return toggle;
}

QComboBox* boundPicker(Preferences& preferences, const QString& key, const QString& label,
                       const std::vector<std::pair<QString, QString>>& choices,
                       const QString& current, const QString& name) {
    auto* picker = new QComboBox;
    picker->setObjectName(name);
    picker->setAccessibleName(label);
    picker->setProperty("key", key);
    for (const auto& [title, raw] : choices) picker->addItem(title, raw);
    picker->setCurrentIndex(std::max(0, picker->findData(current)));
    QObject::connect(picker, &QComboBox::activated, picker, [&preferences, picker](int index) {
        preferences.setValue(Preferences::appDomain, picker->property("key").toString(),
                             picker->itemData(index).toString());
    });
    return picker;
}

}  // namespace tandri::FormParts
