#pragma once

#include "TarvoCore/Ports/AlertPresenter.h"

namespace tarvo {

// For a computer without a screen to ask on: the alert is logged and answered with its second
// button, the one that commits the user to nothing (or with its only button).
class HeadlessAlertPresenter final : public AlertPresenter {
public:
    std::size_t present(const Alert& alert) override;
};

} // namespace tarvo
