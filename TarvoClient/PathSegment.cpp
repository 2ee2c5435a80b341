#include "TarvoClient/PathSegment.h"

#include "TarvoClient/BrainClientFailure.h"
#include "TarvoBase/PercentEscape.h"

namespace tarvo {
namespace {

bool isUnreserved(unsigned char byte) {
    return (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') || (byte >= '0' && byte <= '9') ||
           byte == '-' || byte == '.' || byte == '_' || byte == '~';
}

} // namespace

std::string pathSegment(std::string_view id, std::string_view what) {
    if (id.empty() || id == "." || id == "..") {
        throw BrainClientFailure::transport("the " + std::string(what) + " \"" + std::string(id) +
                                            "\" cannot name a request path");
    }
    std::string segment;
    segment.reserve(id.size());
    for (unsigned char byte : id) {
        if (isUnreserved(byte)) {
            segment.push_back(static_cast<char>(byte));
        } else {
            appendPercentEscape(segment, byte);
        }
    }
    return segment;
}

} // namespace tarvo
