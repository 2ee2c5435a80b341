#include <string>

#include "TarvoBase/PlainLog.h"
#include "TarvoCompanion/Companion.h"

namespace tarvo {

void Companion::note(std::exception_ptr error, std::string_view doing) {
    const std::string opening = "tarvo: " + std::string(doing) + " failed: ";
    try {
        std::rethrow_exception(error);
    } catch (const BrainClient::Failure& failure) {
        PlainLog::error(opening + failure.description());
        if (failure.isSessionGone()) endSession(failure.description());
    } catch (const std::exception& failure) {
        PlainLog::error(opening + failure.what());
    } catch (...) {
        PlainLog::error(opening + "an error of no known kind");
    }
}

} // namespace tarvo
