#include <utility>

#include "TarvoCompanion/Companion.h"
#include "TarvoCompanion/MessageEventsRefused.h"
#include "TarvoCore/Messages/MessageEvents/MessageEvents.h"

namespace tarvo {
namespace {

Task<void> postBatch(std::shared_ptr<BrainClient> client, std::string channelId, std::vector<Json> events) {
    const HttpTransport::Response answer = co_await client->postMessageEvents(std::move(channelId), std::move(events));
    if (answer.status < 200 || answer.status > 299) throw MessageEventsRefused(answer.status, answer.body);
}

} // namespace

MessageEventsPass::Post Companion::messageEventsPost(std::shared_ptr<BrainClient> client) {
    return [client = std::move(client)](std::string channelId, std::vector<Json> events) {
        return postBatch(client, std::move(channelId), std::move(events));
    };
}

Task<void> Companion::captureMessageEvents(std::shared_ptr<BrainClient> client, std::string channelId) {
    MessageEventsPass::Channels channels{.imessage = std::move(channelId), .sms = smsChannelId()};
    const CaptureCursor::Date now = loop_.clock().date();
    const CaptureCursor::Date ceiling = MessageEvents::ceiling(cursor_, now);
    MessageEventsPass::Post post = messageEventsPost(std::move(client));
    Task<MessageEventsPass::Summary> run =
        messageEvents_.run(database_, std::move(channels), ceiling, now, std::move(post));
    const MessageEventsPass::Summary summary = co_await std::move(run);
    if (!summary.quiet()) TarvoLog::messageEvents(summary);
}

} // namespace tarvo
