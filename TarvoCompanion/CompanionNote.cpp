#include <exception>
#include <string_view>

#include <fmt/format.h>

#include "TarvoBase/PlainLog.h"
#include "TarvoCompanion/Companion.h"

namespace tarvo {

void Companion::note(const std::exception_ptr& error, std::string_view doing) {
    try {
        std::rethrow_exception(error);
    } catch (const BrainClient::Failure& failure) {
        PlainLog::write(fmt::format("tarvo: {} failed: {}", doing, failure.description()));
        if (failure.isSessionGone()) endSession(failure.description());
    } catch (const std::exception& other) {
        PlainLog::write(fmt::format("tarvo: {} failed: {}", doing, other.what()));
    } catch (...) {
        PlainLog::write(fmt::format("tarvo: {} failed: an unknown error", doing));
    }
}

} // namespace tarvo
