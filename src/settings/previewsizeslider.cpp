// SPDX-License-Identifier: MIT
#include "settings/previewsizeslider.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QSlider>
#include <cmath>

#include "platform/preferences.h"
#include "prefs/settings.h"

namespace tandri {

namespace {

int onAStep(double value) {
    const double steps = std::round((value - Settings::minPreviewSize) / PreviewSizeSlider::step);
    return int(Settings::minPreviewSize) + int(steps) * PreviewSizeSlider::step;
}

}  // namespace

PreviewSizeSlider::PreviewSizeSlider(Preferences& preferences, QWidget* parent)
    : QWidget(parent),
      preferences_(preferences),
      slider_(new QSlider(Qt::Horizontal)),
      value_(new QLabel) {
    slider_->setObjectName(QStringLiteral("previewSize"));
    slider_->setRange(int(Settings::minPreviewSize), int(Settings::maxPreviewSize));
    slider_->setSingleStep(step);
    slider_->setPageStep(step);
    slider_->setTickInterval(step);
    slider_->setFixedWidth(sliderWidth);
    slider_->setValue(onAStep(Settings::previewSize(preferences)));
    value_->setObjectName(QStringLiteral("previewSizeValue"));
    value_->setText(valueText());

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new QLabel(QStringLiteral("Preview size")));
    layout->addStretch();
    layout->addWidget(new QLabel(QStringLiteral("Small")));
    layout->addWidget(slider_);
    layout->addWidget(new QLabel(QStringLiteral("Large")));
    layout->addWidget(value_);
    connect(slider_, &QSlider::valueChanged, this, [this](int value) { moved(value); });
}

QString PreviewSizeSlider::valueText() const {
    return QStringLiteral("%1 pt wide").arg(slider_->value());
}

void PreviewSizeSlider::moved(int value) {
    // A drag passes every point; only the steps are stored.
    const int stepped = onAStep(value);
    if (stepped != value) {
        slider_->setValue(stepped);
        return;
    }
    value_->setText(valueText());
    preferences_.setValue(Preferences::appDomain, Settings::previewSizeKey, stepped);
}

}  // namespace tandri
