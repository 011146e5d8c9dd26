// SPDX-License-Identifier: MIT
#pragma once

#include <QWidget>

class QLabel;
class QSlider;

namespace tandri {

class Preferences;

/// "Preview size": how wide the large preview beside the column is, in steps of 20 points.
class PreviewSizeSlider : public QWidget {
public:
    static constexpr int step = 20;
    static constexpr int sliderWidth = 180;

    explicit PreviewSizeSlider(Preferences& preferences, QWidget* parent = nullptr);

    QSlider* slider() const { return slider_; }
    /// "%1 pt wide" for the value shown.
    QString valueText() const;

private:
    void moved(int value);

    Preferences& preferences_;
    QSlider* slider_;
    QLabel* value_;
};

}  // namespace tandri
