#include "TarvoCore/AppNapHold.h"

#include <utility>

namespace tarvo {

AppNapHold::AppNapHold(Begin begin, End end) : begin_(std::move(begin)), end_(std::move(end)) {}

AppNapHold::~AppNapHold() { hold(false); }

void AppNapHold::hold(bool on) {
    if (on && !activity_) {
        activity_ = begin_(options, reason);
    } else if (!on && activity_) {
        const Token held = *std::exchange(activity_, std::nullopt);
        end_(held);
    }
}

AppNapHold::Token AppNapHold::nothingToBegin(std::uint64_t, const std::string&) { return std::make_shared<int>(0); }

void AppNapHold::nothingToEnd(const Token&) {}

} // namespace tarvo
