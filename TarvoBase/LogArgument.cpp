#include "TarvoBase/LogArgument.h"

namespace tarvo {
namespace {

struct Shown {
    std::string operator()(const std::string& text) const { return text; }
    std::string operator()(std::int64_t value) const { return std::to_string(value); }
    std::string operator()(bool value) const { return value ? "true" : "false"; }
};

} // namespace

std::string LogArgument::text() const { return std::visit(Shown{}, value_); }

} // namespace tarvo
