#include <exception>
#include <map>
#include <optional>
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
        if (!decision.id || !decision.wantBytes) {
            ++outcome.notWanted;
            if (decision.reason) {
                PlainLog::write(fmt::format("tarvo: attachment ({}) bytes not sent — {}", kind, *decision.reason));
            }
            continue;
        }
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
        try {
            co_await client->uploadInboundAttachment(*decision.id, std::string(bytes->begin(), bytes->end()));
            ++outcome.sent;
        } catch (...) {
            failed(fmt::format("tarvo: attachment ({}) upload failed: {}", kind, describe(std::current_exception())));
        }
    }
    co_return outcome;
}

} // namespace tarvo
