#include "TarvoCore/Messages/MessagesSender/ReplyService.h"

#include <exception>

#include "TarvoBase/TarvoLoggers.h"
#include "TarvoBase/Text.h"

namespace tarvo {

std::string_view ReplyService::rawValue(Because because) {
    switch (because) {
    case Because::theyWroteOverIMessage:
        return "their newest message came over iMessage";
    case Because::theChannel:
        return "the channel's own service";
    }
    return {};
}

ReplyService ReplyService::choose(std::string_view channelKind, const std::optional<std::string>& theirNewestService) {
    if (theirNewestService && Text::lowercased(*theirNewestService) == "imessage") {
        return {false, Because::theyWroteOverIMessage};
    }
    return {channelKind == "sms", Because::theChannel};
}

ReplyService::Plan ReplyService::plan(const std::string& channelKind, const std::string& conversationRef,
                                      const ChatDatabase& database) {
    ChatDatabase::ReplyAddress address;
    try {
        address = database.replyAddress(conversationRef);
    } catch (const std::exception&) {
        // The reply can still go out over the channel's own service.
    }
    return {address.guid, choose(channelKind, address.theirNewestService)};
}

} // namespace tarvo

namespace tarvo::TarvoLog {

void replyService(std::string_view jobId, std::string_view channelKind, const ReplyService& service) {
    relay().log(LogLevel::standard, "relay job %{public}s on %{public}s goes out as %{public}s — %{public}s", [&] {
        return std::vector<LogArgument>{LogArgument::publicText(jobId), LogArgument::publicText(channelKind),
                                        LogArgument::publicText(service.serviceType()),
                                        LogArgument::publicText(ReplyService::rawValue(service.because))};
    });
}

} // namespace tarvo::TarvoLog
