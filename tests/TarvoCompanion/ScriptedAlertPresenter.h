#pragma once

#include <functional>
#include <vector>

#include "TarvoCore/Ports/AlertPresenter.h"

namespace tarvo::testing {

// Answers every alert with `answer`, keeping each alert it was shown; `onPresent` looks on at
// the moment an alert is up.
class ScriptedAlertPresenter final : public AlertPresenter {
public:
    std::size_t present(const Alert& alert) override {
        presented.push_back(alert);
        if (onPresent) onPresent();
        return answer;
    }

    std::size_t answer = 0;
    std::function<void()> onPresent;
    std::vector<Alert> presented;
};

} // namespace tarvo::testing
