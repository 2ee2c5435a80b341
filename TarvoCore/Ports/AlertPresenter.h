#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace tarvo {

// Asks the user something in a modal alert and waits for the answer.
class AlertPresenter {
public:
    struct Alert {
        std::string messageText;
        std::string informativeText;
        // At least one, the first being the default.
        std::vector<std::string> buttons;
    };

    virtual ~AlertPresenter() = default;

    // Shows the alert until the user answers; gives the position of the button pressed.
    virtual std::size_t present(const Alert& alert) = 0;
};

} // namespace tarvo
