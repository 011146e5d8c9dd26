// SPDX-License-Identifier: MIT
#include "settings/looktab.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "platform/platform.h"
#include "platform/preferences.h"
#include "platform/vocabulary.h"
#include "prefs/settings.h"
#include "settings/formparts.h"

namespace tandri {

LookTab::LookTab(Platform& platform)
    : platform_(platform),
      styleDetail_(FormParts::note({}, QStringLiteral("styleDetail"))),
      backgroundRow_(new QWidget),
      backgroundDetail_(FormParts::note({}, QStringLiteral("backgroundDetail"))) {
    Preferences& preferences = platform.preferences;
    const RingStyle current = Settings::ringStyle(preferences);
    std::vector<std::pair<QString, QString>> styles;
    styles.reserve(allRingStyles.size());
    for (RingStyle style : allRingStyles) styles.emplace_back(title(style), rawValue(style));
    style_ = FormParts::boundPicker(preferences, Settings::ringStyleKey, QStringLiteral("Style"),
                                    styles, rawValue(current), QStringLiteral("style"));
    std::vector<std::pair<QString, QString>> backgrounds;
    backgrounds.reserve(allRingBackgrounds.size());
    for (RingBackground background : allRingBackgrounds)
        backgrounds.emplace_back(title(background), rawValue(background));
    background_ = FormParts::boundPicker(
        preferences, Settings::backgroundKey(current), QStringLiteral("Background"), backgrounds,
        rawValue(Settings::background(preferences, current)), QStringLiteral("background"));

    auto* layout = new QVBoxLayout(this);
    auto* styleRow = new QHBoxLayout;
    styleRow->addWidget(new QLabel(QStringLiteral("Style")));
    styleRow->addWidget(style_, 1);
    layout->addLayout(styleRow);
    layout->addWidget(styleDetail_);

    auto* backgroundLayout = new QVBoxLayout(backgroundRow_);
    backgroundLayout->setContentsMargins(0, 0, 0, 0);
    auto* pickerRow = new QHBoxLayout;
    pickerRow->addWidget(new QLabel(QStringLiteral("Background")));
    pickerRow->addWidget(background_, 1);
    backgroundLayout->addLayout(pickerRow);
    backgroundLayout->addWidget(backgroundDetail_);
    layout->addWidget(backgroundRow_);

    layout->addWidget(FormParts::boundToggle(preferences, Settings::accessibleOutlineKey,
                                             QStringLiteral("Use Outline for accessibility"),
                                             QStringLiteral("outline")));
    layout->addWidget(FormParts::note(
        QStringLiteral("Switches to Outline while Reduce Transparency or Increase Contrast is on "
                       "in ") +
        platform.vocabulary.displayAccessibilitySettings() + u'.'));
    layout->addStretch();

    connect(style_, &QComboBox::activated, this, [this] { styleChosen(); });
    connect(background_, &QComboBox::activated, this, [this] {
        const RingStyle style = Settings::ringStyle(platform_.preferences);
        backgroundDetail_->setText(detail(Settings::background(platform_.preferences, style)));
    });
    styleChosen();
}

void LookTab::styleChosen() {
    Preferences& preferences = platform_.preferences;
    const RingStyle style = Settings::ringStyle(preferences);
    styleDetail_->setText(detail(style));
    // Each look keeps its own backdrop: the picker now reads and writes this look's.
    background_->setProperty("key", Settings::backgroundKey(style));
    const RingBackground background = Settings::background(preferences, style);
    background_->setCurrentIndex(std::max(0, background_->findData(rawValue(background))));
    backgroundDetail_->setText(detail(background));
    backgroundRow_->setVisible(hasBackgroundChoice(style));
}

}  // namespace tandri
