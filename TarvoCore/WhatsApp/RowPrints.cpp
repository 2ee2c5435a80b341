#include "TarvoCore/WhatsApp/RowPrints.h"

namespace tarvo::WhatsAppWeb {

std::string chatKey(std::string_view ofPrint) { return std::string(ofPrint.substr(0, ofPrint.find('|'))); }

std::vector<std::string> baseline(const std::vector<std::string>& prints, const std::set<std::string>& without) {
    if (without.empty()) return prints;
    std::vector<std::string> kept;
    for (const auto& print : prints) {
        if (!without.contains(chatKey(print))) kept.push_back(print);
    }
    return kept;
}

} // namespace tarvo::WhatsAppWeb
