#include "TarvoCore/Companion/AppNapHold.h"

#include <exception>
#include <string>
#include <utility>

#include "TarvoBase/PlainLog.h"

namespace tarvo {

AppNapHold::AppNapHold(Begin begin, End end) : begin_(std::move(begin)), end_(std::move(end)) {}

AppNapHold::~AppNapHold() {
    // The platform's end may throw; a destructor must not, and the activity ends with the
    // process anyway.
    try {
        hold(false);
    } catch (const std::exception& failure) {
        PlainLog::write(std::string("tarvo: the activity hold could not be ended: ") + failure.what());
    } catch (...) {
        PlainLog::write("tarvo: the activity hold could not be ended");
    }
}

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
