#include <fmt/format.h>

#include "TarvoBase/Base64.h"
#include "TarvoBase/JsonReader.h"
#include "TarvoCore/Relay/OutgoingFiles.h"
#include "TarvoCore/WhatsApp/WhatsAppWeb.h"

// The files of a reply as the attachment script takes them, and what its answers come to.
namespace tarvo::WhatsAppWeb {
namespace {

std::optional<std::string> stringMember(const Json& object, std::string_view key) {
    const auto found = object.find(key);
    if (found == object.end() || !found->is_string()) return std::nullopt;
    return found->get<std::string>();
}

} // namespace

Json attachmentArguments(const OutgoingFile& file) {
    // Member by member: a braced list would copy the base64 of a file of up to 16 MiB.
    Json arguments = Json::object();
    arguments["fileB64"] = Base64::encode(file.data);
    arguments["fileName"] = OutgoingFiles::safeFilename(file.filename);
    arguments["fileType"] = describedType(file.mimeType);
    return arguments;
}

MediaSendOutcome readMediaSendOutcome(std::string_view text) {
    const std::optional<Json> answer = JsonReader::parse(text);
    const Json* ok = nullptr;
    if (answer && answer->is_object()) {
        const auto found = answer->find("ok");
        if (found != answer->end() && found->is_boolean()) ok = &*found;
    }
    if (!ok) return {false, std::nullopt, std::string(couldNotTellWhetherTaken)};
    return {ok->get<bool>(), stringMember(*answer, "stage"), stringMember(*answer, "reason")};
}

std::string mediaFailureSentence(int index, int count, const std::optional<std::string>& reason) {
    const std::string said = reason.value_or("WhatsApp Web did not say why.");
    if (count == 1) return said;
    if (index == 1) return fmt::format("{} Nothing was sent — this was the first of {} files.", said, count);
    return fmt::format("{} File {} of {} — the {} before it were sent, and the message itself was not.", said, index,
                       count, index - 1);
}

} // namespace tarvo::WhatsAppWeb
