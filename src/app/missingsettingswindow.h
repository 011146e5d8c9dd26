#pragma once

#include <QTextStream>
#include <cstdio>
#include <vector>

#include "settings/settingspresenter.h"

namespace tandri {

/// Stands in for the Settings window until it is built: it says so instead of pretending to
/// open, and remembers what was asked.
class MissingSettingsWindow : public SettingsPresenter {
public:
    void show(SettingsTab tab) override {
        requests.push_back(tab);
        QTextStream(stderr) << "tandri: the Settings window (" << SettingsTabs::rawValue(tab)
                            << ") is not part of this build yet\n";
    }
    std::vector<SettingsTab> requests;
};

}  // namespace tandri
