#include "TarvoCore/Relay/OutgoingFilesFailure.h"

#include <utility>

namespace tarvo {

OutgoingFilesFailure::OutgoingFilesFailure(std::string detail)
    : detail_(std::move(detail)),
      description_("Tarvo could not write the file to this Mac before sending it: " + detail_) {}

OutgoingFilesFailure OutgoingFilesFailure::couldNotStage(std::string detail) {
    return OutgoingFilesFailure(std::move(detail));
}

} // namespace tarvo
