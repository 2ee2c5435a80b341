#pragma once

#include <optional>
#include <string>

#include "TarvoCore/WhatsApp/MediaSendStage.h"

namespace tarvo::WhatsAppWeb {

// What the attachment script said of one file: whether it went, the stage it named and the
// sentence for the person when it did not.
struct MediaSendOutcome {
    bool ok = false;
    std::optional<std::string> stageName;
    std::optional<std::string> reason;

    // The stage named, none when the script named none or one this build does not know.
    std::optional<MediaSendStage> stage() const {
        return stageName ? mediaSendStageFromRawValue(*stageName) : std::nullopt;
    }

    bool operator==(const MediaSendOutcome&) const = default;
};

} // namespace tarvo::WhatsAppWeb
