// Prints one page script exactly as the companion assembles it, so that the tests in the browser
// run what ships. Usage: assembled_page_script probe|open|send|escape|capture|attachment|
// composerReport|afterReport|mediaGone|attachArguments, with the texts on standard input as a JSON
// array of strings: open [ref] or [ref, name], send [body], escape [text], capture [its twelve
// arguments as one JSON object], attachArguments [file name, media type, the bytes in base64]
// (which prints the attachment script's arguments as JSON).
#include <iostream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "TarvoBase/Base64.h"
#include "TarvoBase/JsonReader.h"
#include "TarvoCore/WhatsApp/CaptureScript.h"
#include "TarvoCore/WhatsApp/WhatsAppWeb.h"

namespace {

// The capture script's twelve arguments come as one JSON object under their own names.
std::optional<std::string> captureScript(const std::string& arguments) {
    const auto parsed = tarvo::JsonReader::parse(arguments);
    if (!parsed || !parsed->is_object()) return std::nullopt;
    try {
        const tarvo::JsonReader read(*parsed);
        const auto texts = [&read](const char* key) { return read.array(key).get<std::vector<std::string>>(); };
        const auto count = [&read](const char* key) { return static_cast<int>(read.int64(key)); };
        return tarvo::WhatsAppWeb::captureScript(
            count("chatLimit"), count("messageLimit"), count("bootstrapChats"), texts("known"), read.boolean("catchUp"),
            read.int64("cursor"), read.int64("mediaBudget"), texts("retriesSpent"), texts("peek"), count("peekLimit"),
            count("peekMessageLimit"),
            read.object("peekWatching").json().get<std::map<std::string, std::vector<std::string>>>());
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

std::optional<std::string> assembled(const std::string& kind, const std::vector<std::string>& texts) {
    using namespace tarvo::WhatsAppWeb;
    if (kind == "probe" && texts.empty()) return sessionProbeScript();
    if (kind == "open" && texts.size() == 1) return openConversationScript(texts[0], std::nullopt);
    if (kind == "open" && texts.size() == 2) return openConversationScript(texts[0], texts[1]);
    if (kind == "send" && texts.size() == 1) return sendScript(texts[0]);
    if (kind == "escape" && texts.size() == 1) return escapeJS(texts[0]);
    if (kind == "capture" && texts.size() == 1) return captureScript(texts[0]);
    if (kind == "attachment" && texts.empty()) return attachmentScript();
    if (kind == "composerReport" && texts.empty()) return composerReportScript();
    if (kind == "afterReport" && texts.empty()) return afterHandoverReportScript();
    if (kind == "mediaGone" && texts.empty()) return mediaGoneScript();
    if (kind == "attachArguments" && texts.size() == 3) {
        const std::optional<std::string> bytes = tarvo::Base64::decode(texts[2]);
        if (!bytes) return std::nullopt;
        return attachmentArguments({"file", texts[0], texts[1], *bytes}).dump();
    }
    return std::nullopt;
}

} // namespace

int main(int argc, char** argv) {
    const std::string input{std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>()};
    const std::optional<tarvo::Json> texts = tarvo::JsonReader::parse(input.empty() ? "[]" : input);
    std::optional<std::string> script;
    if (argc == 2 && texts && texts->is_array()) {
        try {
            script = assembled(argv[1], texts->get<std::vector<std::string>>());
        } catch (const tarvo::Json::exception&) {
            script = std::nullopt;
        }
    }
    if (!script) {
        std::cerr << "usage: assembled_page_script probe|open|send|escape|capture|attachment|composerReport|afterReport|"
                     "mediaGone|attachArguments < [texts as a JSON array of strings]\n";
        return 2;
    }
    std::cout << *script;
    return 0;
}
