#include "TarvoBase/ErrorText.h"

namespace tarvo {

std::string errorText(const std::exception_ptr& error, std::string_view unknown) {
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& failure) {
        return failure.what();
    } catch (...) {
        return std::string(unknown);
    }
}

} // namespace tarvo
