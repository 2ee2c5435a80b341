#include "TarvoBase/OperatorEndCode.h"

#include <array>
#include <utility>

namespace tarvo {
namespace {

constexpr std::array<std::pair<OperatorEndCode, std::string_view>, 6> rawValues{{
    {OperatorEndCode::bar, "bar"},
    {OperatorEndCode::menu, "menu"},
    {OperatorEndCode::hotkey, "hotkey"},
    {OperatorEndCode::conditions, "conditions"},
    {OperatorEndCode::quit, "quit"},
    {OperatorEndCode::brain, "brain"},
}};

} // namespace

std::string_view rawValue(OperatorEndCode code) {
    for (const auto& [candidate, text] : rawValues) {
        if (candidate == code) return text;
    }
    return {};
}

std::optional<OperatorEndCode> operatorEndCode(std::string_view text) {
    for (const auto& [code, candidate] : rawValues) {
        if (candidate == text) return code;
    }
    return std::nullopt;
}

} // namespace tarvo
