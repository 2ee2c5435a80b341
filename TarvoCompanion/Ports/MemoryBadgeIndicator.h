#pragma once

#include <utility>

#include "TarvoCompanion/Ports/BadgeIndicator.h"

namespace tarvo {

// A badge with no icon to sit on: the label is kept for the menu to show.
class MemoryBadgeIndicator final : public BadgeIndicator {
public:
    std::optional<std::string> label() const override { return label_; }
    void setLabel(std::optional<std::string> label) override { label_ = std::move(label); }

private:
    std::optional<std::string> label_;
};

} // namespace tarvo
