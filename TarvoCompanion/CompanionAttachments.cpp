#include <exception>
#include <map>
#include <optional>
#include <string_view>
#include <string>
#include <utility>
#include <vector>

#include <fmt/format.h>

#include "TarvoBase/OnWorker.h"
#include "TarvoBase/PlainLog.h"
#include "TarvoCompanion/Companion.h"
#include "TarvoBase/ErrorText.h"

namespace tarvo {
namespace {

std::string describe(const std::exception_ptr& error) { return errorText(error, "an error of no known kind"); }

// The words each channel's lines name one of its files by.
constexpr std::string_view messagesFile = "attachment";
constexpr std::string_view whatsappFile = "whatsapp file";

// Counts a decision that asks for no bytes, saying why when the service did; false for one that
// wants them.
bool countedNotWanted(const AttachmentDecision& decision, std::string_view noun, AttachmentOutcome& outcome) {
    if (decision.id && decision.wantBytes) return false;
    ++outcome.notWanted;
    if (decision.reason) {
        PlainLog::write(fmt::format("tarvo: {} ({}) bytes not sent — {}", noun, decision.mediaClass, *decision.reason));
    }
    return true;
}

// Uploads the bytes the decision asked for; false, and said, when they did not go.
Task<bool> uploaded(std::shared_ptr<BrainClient> client, AttachmentDecision decision, std::string bytes,
                    std::string_view noun) {
    try {
        co_await client->uploadInboundAttachment(*decision.id, std::move(bytes));
        co_return true;
    } catch (...) {
        PlainLog::write(fmt::format("tarvo: {} ({}) upload failed: {}", noun, decision.mediaClass,
                                    describe(std::current_exception())));
    }
    co_return false;
}

} // namespace

std::string Companion::attachmentLine(const AttachmentOutcome& outcome) {
    if (outcome.sent + outcome.notWanted + outcome.failed <= 0) return "";
    return fmt::format("files: {} sent, {} not wanted, {} failed, ", outcome.sent, outcome.notWanted, outcome.failed);
}

Task<AttachmentOutcome> Companion::deliverAttachments(std::shared_ptr<BrainClient> client,
                                                      ChatDatabase::Message message,
                                                      std::vector<AttachmentDecision> decisions) {
    std::map<std::string, const ChatDatabase::Attachment*> files;
    for (const ChatDatabase::Attachment& file : message.attachments) files.emplace(file.guid, &file);

    AttachmentOutcome outcome;
    auto failed = [&outcome](const std::string& line) {
        ++outcome.failed;
        PlainLog::write(line);
    };
    for (const AttachmentDecision& decision : decisions) {
        const std::string& kind = decision.mediaClass;
        if (countedNotWanted(decision, messagesFile, outcome)) continue;
        const auto file = files.find(decision.externalId);
        if (file == files.end()) {
            failed("tarvo: attachment upload skipped — the brain named a file this scan did not send");
            continue;
        }
        if (!file->second->localPath) {
            failed(fmt::format("tarvo: attachment ({}) has no file on this Mac to read", kind));
            continue;
        }
        // Read off the main loop: a file may be 25 MiB on a slow disk.
        auto read = [path = *file->second->localPath] {
            return ChatDatabase::attachmentBytes(path, attachmentByteLimit);
        };
        std::optional<ChatDatabase::Bytes> bytes;
        try {
            bytes = co_await onWorker(read);
        } catch (...) {
            failed(fmt::format("tarvo: attachment ({}) upload failed: {}", kind, describe(std::current_exception())));
            continue;
        }
        if (!bytes) {
            failed(fmt::format("tarvo: attachment ({}) not readable — absent from this Mac, or over the 25 MB limit",
                               kind));
            continue;
        }
        const bool sent = co_await uploaded(client, decision, std::string(bytes->begin(), bytes->end()), messagesFile);
        ++(sent ? outcome.sent : outcome.failed);
    }
    co_return outcome;
}

// The bytes travel with the message, read off the page within the pass's media budget, so no
// limit of this side applies.
Task<AttachmentOutcome> Companion::deliverWhatsAppFiles(std::shared_ptr<BrainClient> client,
                                                        WhatsAppWeb::Message message,
                                                        std::vector<AttachmentDecision> decisions) {
    std::map<std::string, const WhatsAppWeb::Attachment*> files;
    for (const WhatsAppWeb::Attachment& file : message.attachments) files.emplace(file.externalId, &file);

    AttachmentOutcome outcome;
    for (const AttachmentDecision& decision : decisions) {
        if (countedNotWanted(decision, whatsappFile, outcome)) continue;
        const auto file = files.find(decision.externalId);
        if (file == files.end()) {
            ++outcome.failed;
            PlainLog::write("tarvo: whatsapp file upload skipped — the brain named a file this pass did not send");
            continue;
        }
        if (!file->second->bytes) {
            ++outcome.failed;
            PlainLog::write(fmt::format("tarvo: whatsapp file ({}) has no bytes on this Mac — {}", decision.mediaClass,
                                        file->second->bytesNote.value_or(
                                            "no reason was reported, which is itself a bug")));
            continue;
        }
        const bool sent = co_await uploaded(client, decision, *file->second->bytes, whatsappFile);
        ++(sent ? outcome.sent : outcome.failed);
    }
    co_return outcome;
}

} // namespace tarvo
