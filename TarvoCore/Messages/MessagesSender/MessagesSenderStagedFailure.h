#pragma once

#include <exception>
#include <string>

#include "TarvoCore/Messages/MessagesSender/MessagesSenderFailure.h"
#include "TarvoCore/Messages/MessagesSender/MessagesSenderStage.h"

namespace tarvo {

// A failure during a send with files, saying how far the send got.
class MessagesSenderStagedFailure : public std::exception {
public:
    MessagesSenderStagedFailure(MessagesSenderStage stage, MessagesSenderFailure underlying);

    const MessagesSenderStage& stage() const { return stage_; }
    const MessagesSenderFailure& underlying() const { return underlying_; }
    const std::string& description() const { return description_; }
    const char* what() const noexcept override { return description_.c_str(); }

    bool operator==(const MessagesSenderStagedFailure& other) const {
        return stage_ == other.stage_ && underlying_ == other.underlying_;
    }

private:
    MessagesSenderStage stage_;
    MessagesSenderFailure underlying_;
    std::string description_;
};

} // namespace tarvo
