#pragma once

#include <array>
#include <string_view>
#include <vector>

#include "TarvoDesign/Copy/TarvoLegalDocument.h"

namespace tarvo {

struct TarvoLegal {
    // The five documents, in order; every one is required.
    static const std::vector<TarvoLegalDocument>& documents();
    static constexpr std::array<std::string_view, 5> documentIds{"terms", "privacy", "waiver", "ai", "agent"};
};

} // namespace tarvo
