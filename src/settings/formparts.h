// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <utility>
#include <vector>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QVBoxLayout;
class QWidget;

namespace tandri {

class Preferences;

/// The pieces every form of the windows is made of, so that notes and bound controls look and
/// behave alike everywhere.
namespace FormParts {

/// A wrapped note in the secondary colour under a control.
QLabel* note(const QString& text, const QString& name = {});
/// A titled group of rows laid out top to bottom.
QGroupBox* section(const QString& title, const QString& name = {});
/// The rows of a section.
QVBoxLayout* rows(QGroupBox* section);
/// A toggle that shows the stored value (or its default) and writes every change at once.
QCheckBox* boundToggle(Preferences& preferences, const QString& key, const QString& text,
                       const QString& name);
/// A picker over (title, raw value) pairs, showing `current`, that writes the raw value of every
/// choice to `key` at once. `key` may change later through the returned box's "key" property.
/// `label` names it for screen readers.
QComboBox* boundPicker(Preferences& preferences, const QString& key, const QString& label,
                       const std::vector<std::pair<QString, QString>>& choices,
                       const QString& current, const QString& name);

}  // namespace FormParts
}  // namespace tandri
