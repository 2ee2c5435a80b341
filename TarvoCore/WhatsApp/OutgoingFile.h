#pragma once

#include <string>

namespace tarvo::WhatsAppWeb {

// A file to put into a WhatsApp conversation, held in memory only.
struct OutgoingFile {
    // The service's id of the file.
    std::string id;
    // The name shown in WhatsApp.
    std::string filename;
    // The media type, possibly with parameters after a semicolon.
    std::string mimeType;
    std::string data;

    bool operator==(const OutgoingFile&) const = default;
};

} // namespace tarvo::WhatsAppWeb
