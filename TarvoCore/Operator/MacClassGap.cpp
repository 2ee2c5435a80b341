#include "TarvoCore/Operator/MacClassGap.h"

namespace tarvo {

std::string_view MacClassGap::code() const {
    return std::visit([](auto gap) { return rawValue(gap); }, gap_);
}

std::string_view MacClassGap::sentence() const {
    return std::visit([](auto gap) { return tarvo::sentence(gap); }, gap_);
}

} // namespace tarvo
