#include <csignal>
#include <system_error>
#include <type_traits>
#include <variant>

#include <unistd.h>

#include "TarvoSafari/NativeMessagingChannel.h"
#include "TarvoSafari/TarvoSafariWebExtensionHandler.h"

// The browser starts this host for its extension and talks to it over standard input and output,
// which carry nothing but frames; log lines go to standard error. It answers every message with
// exactly one frame, in order, until its input ends.
int main() {
    using namespace tarvo;
    // A browser that went away is the end of the conversation, not a signal to die of.
    std::signal(SIGPIPE, SIG_IGN);

    const TarvoSafariWebExtensionHandler handler(BundleInfo::main());
    NativeMessagingChannel channel(STDIN_FILENO, STDOUT_FILENO);
    try {
        for (;;) {
            const NativeMessagingChannel::Read read = channel.next();
            if (const auto* message = std::get_if<NativeMessagingChannel::Message>(&read)) {
                channel.send(handler.answer(message->bytes).dump());
                continue;
            }
            // A length past what a browser sends leaves the rest of the input unreadable as
            // frames, so after its refusal nothing more is read.
            if (std::holds_alternative<NativeMessagingChannel::TooLong>(read)) {
                channel.send(TarvoSafariWebExtensionHandler::refusal().dump());
            }
            return 0;
        }
    } catch (const std::system_error&) {
        return 1;
    }
}
