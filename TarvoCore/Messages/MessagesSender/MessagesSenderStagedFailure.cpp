#include "TarvoCore/Messages/MessagesSender/MessagesSenderStagedFailure.h"

#include <utility>

namespace tarvo {

MessagesSenderStagedFailure::MessagesSenderStagedFailure(MessagesSenderStage stage, MessagesSenderFailure underlying)
    : stage_(stage), underlying_(std::move(underlying)),
      description_(underlying_.description() + " — " + stage_.describedForAPerson() + ".") {}

} // namespace tarvo
