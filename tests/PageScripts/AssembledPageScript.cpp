// Prints one page script exactly as the companion assembles it, so that the tests in the browser
// run what ships. Usage: assembled_page_script probe|open|send|escape, with the texts on standard
// input as a JSON array of strings: open [ref] or [ref, name], send [body], escape [text].
#include <iostream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "TarvoBase/JsonReader.h"
#include "TarvoCore/WhatsApp/WhatsAppWeb.h"

namespace {

std::optional<std::string> assembled(const std::string& kind, const std::vector<std::string>& texts) {
    using namespace tarvo::WhatsAppWeb;
    if (kind == "probe" && texts.empty()) return sessionProbeScript();
    if (kind == "open" && texts.size() == 1) return openConversationScript(texts[0], std::nullopt);
    if (kind == "open" && texts.size() == 2) return openConversationScript(texts[0], texts[1]);
    if (kind == "send" && texts.size() == 1) return sendScript(texts[0]);
    if (kind == "escape" && texts.size() == 1) return escapeJS(texts[0]);
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
        std::cerr << "usage: assembled_page_script probe|open|send|escape < [texts as a JSON array of strings]\n";
        return 2;
    }
    std::cout << *script;
    return 0;
}
