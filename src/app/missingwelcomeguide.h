#pragma once

#include <QTextStream>
#include <cstdio>
#include <optional>
#include <vector>

#include "onboarding/welcomepresenter.h"
#include "platform/preferences.h"

namespace tandri {

/// Stands in for the welcome guide until it is built: it says so instead of pretending to open,
/// and reads whether the guide was finished from where the guide keeps it.
class MissingWelcomeGuide : public WelcomePresenter {
public:
    static inline const QString doneKey = QStringLiteral("onboardingDone");

    explicit MissingWelcomeGuide(const Preferences& preferences) : preferences_(preferences) {}
    void show(std::optional<int> step) override {
        requests.push_back(step);
        QTextStream(stderr) << "tandri: the welcome guide is not part of this build yet\n";
    }
    bool isDone() const override { return preferences_.boolValue(Preferences::appDomain, doneKey); }
    std::vector<std::optional<int>> requests;

private:
    const Preferences& preferences_;
};

}  // namespace tandri
