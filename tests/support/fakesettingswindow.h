// SPDX-License-Identifier: MIT
#pragma once

#include <vector>

#include "settings/settingspresenter.h"

namespace tandri::test {

/// A Settings window that remembers which tabs it was asked to show.
class FakeSettingsWindow : public SettingsPresenter {
public:
    void show(SettingsTab tab) override { requests.push_back(tab); }
    std::vector<SettingsTab> requests;
};

}  // namespace tandri::test
