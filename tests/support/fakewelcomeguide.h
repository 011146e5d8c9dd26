// SPDX-License-Identifier: MIT
#pragma once

#include <optional>
#include <vector>

#include "onboarding/onboardingwindow.h"
#include "onboarding/welcomepresenter.h"
#include "platform/preferences.h"

namespace tandri::test {

/// A welcome guide that remembers what it was asked to show, and reads whether it was finished
/// from where the real one keeps it.
class FakeWelcomeGuide : public WelcomePresenter {
public:
    explicit FakeWelcomeGuide(const Preferences& preferences) : preferences_(preferences) {}
    void show(std::optional<int> step) override { requests.push_back(step); }
    bool isDone() const override {
        return preferences_.boolValue(Preferences::appDomain, OnboardingWindow::doneKey);
    }
    void setRefusedShortcut(const std::optional<Shortcut>& shortcut) override {
        refused = shortcut;
    }
    std::vector<std::optional<int>> requests;
    std::optional<Shortcut> refused;

private:
    const Preferences& preferences_;
};

}  // namespace tandri::test
