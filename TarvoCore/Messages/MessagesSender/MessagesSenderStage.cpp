#include "TarvoCore/Messages/MessagesSender/MessagesSenderStage.h"

namespace tarvo {

std::string MessagesSenderStage::describedForAPerson() const {
    if (kind_ == Kind::words) return "the files went but the message did not";
    if (of_ == 1) return "the file did not go, so nothing was sent";
    return "file " + std::to_string(index_) + " of " + std::to_string(of_) +
           " did not go, so the message was not sent either";
}

} // namespace tarvo
