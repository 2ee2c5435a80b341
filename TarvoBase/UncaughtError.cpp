#include "TarvoBase/UncaughtError.h"

#include <string>

#include "TarvoBase/PlainLog.h"

namespace tarvo {

void logUncaught(std::string_view source, std::exception_ptr error) noexcept {
    try {
        try {
            std::rethrow_exception(error);
        } catch (const std::exception& failure) {
            PlainLog::error("tarvo: " + std::string(source) + " ended with an error: " + failure.what());
        } catch (...) {
            PlainLog::error("tarvo: " + std::string(source) + " ended with an unknown error");
        }
    } catch (...) {
        // A log that cannot be written must not end the program it reports on.
    }
}

} // namespace tarvo
