// SPDX-License-Identifier: MIT
#include "settings/settingsview.h"

#include <QCloseEvent>
#include <QScrollArea>

#include "prefs/brand.h"
#include "settings/appstab.h"
#include "settings/generaltab.h"
#include "settings/looktab.h"
#include "settings/settingsnavigation.h"
#include "settings/windowstab.h"

namespace tandri {

namespace {

QString title(SettingsTab tab) {
    switch (tab) {
        case SettingsTab::General:
            return QStringLiteral("General");
        case SettingsTab::Apps:
            return QStringLiteral("Apps");
        case SettingsTab::Look:
            return QStringLiteral("Look");
        case SettingsTab::Windows:
            return QStringLiteral("Windows");
    }
    return {};
}

// A tab taller than the window scrolls instead of growing it.
QWidget* scrolling(QWidget* form) {
    auto* area = new QScrollArea;
    area->setWidget(form);
    area->setWidgetResizable(true);
    area->setFrameShape(QFrame::NoFrame);
    return area;
}

}  // namespace

SettingsView::SettingsView(Platform& platform, SettingsNavigation& navigation)
    : navigation_(navigation) {
    setObjectName(QStringLiteral("settings"));
    setWindowTitle(Brand::name() + QStringLiteral(" Settings"));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(width, height);
    for (SettingsTab tab : SettingsTabs::all) {
        QWidget* form = nullptr;
        switch (tab) {
            case SettingsTab::General:
                form = new GeneralTab(platform);
                break;
            case SettingsTab::Apps:
                form = new AppsTab(platform);
                break;
            case SettingsTab::Look:
                form = new LookTab(platform);
                break;
            case SettingsTab::Windows:
                form = new WindowsTab(platform);
                break;
        }
        form->setObjectName(SettingsTabs::rawValue(tab));
        addTab(scrolling(form), title(tab));
    }
    setCurrentIndex(int(navigation.tab()));
    navigation.changed = [this] {
        setCurrentIndex(int(navigation_.tab()));
    };
    connect(this, &QTabWidget::currentChanged, this,
            [this](int index) { navigation_.setTab(SettingsTabs::all.at(std::size_t(index))); });
}

SettingsView::~SettingsView() {
    navigation_.changed = nullptr;
}

SettingsTab SettingsView::currentTab() const {
    return SettingsTabs::all.at(std::size_t(std::max(0, currentIndex())));
}

void SettingsView::closeEvent(QCloseEvent* event) {
    QTabWidget::closeEvent(event);
    if (event->isAccepted() && onClose)
        onClose();
}

}  // namespace tandri
