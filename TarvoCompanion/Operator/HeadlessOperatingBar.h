#pragma once

#include "TarvoCompanion/Operator/OperatingBar.h"

namespace tarvo {

// The bar of a computer without a screen to show it on: it is never shown, so every step is
// refused with the bar's sentence.
class HeadlessOperatingBar final : public OperatingBar {
public:
    void show(std::function<void()>) override {}
    void hide() override {}
    Task<bool> isShown() override;
};

} // namespace tarvo
