#include "Platform/NulSeparatedMessages.h"

namespace tarvo {

std::optional<std::string> NulSeparatedMessages::next() {
    const std::size_t end = buffer_.find('\0', searched_);
    if (end == std::string::npos) {
        searched_ = buffer_.size();
        // Taken messages are dropped once they fill half the buffer, so keeping them costs
        // no more than copying each byte once.
        if (start_ > 0 && start_ >= buffer_.size() / 2) {
            buffer_.erase(0, start_);
            searched_ -= start_;
            start_ = 0;
        }
        return std::nullopt;
    }
    std::string message = buffer_.substr(start_, end - start_);
    start_ = end + 1;
    searched_ = start_;
    return message;
}

} // namespace tarvo
