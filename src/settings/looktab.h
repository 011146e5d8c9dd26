// SPDX-License-Identifier: MIT
#pragma once

#include <QWidget>

class QComboBox;
class QLabel;

namespace tandri {

struct Platform;

/// The ring's look: its style, a backdrop for the looks that have a choice, and the outline
/// that stands in while the desktop asks for more contrast.
class LookTab : public QWidget {
public:
    explicit LookTab(Platform& platform);

private:
    void styleChosen();

    Platform& platform_;
    QComboBox* style_;
    QLabel* styleDetail_;
    QWidget* backgroundRow_;
    QComboBox* background_;
    QLabel* backgroundDetail_;
};

}  // namespace tandri
