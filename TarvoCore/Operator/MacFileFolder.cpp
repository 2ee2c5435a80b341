#include "TarvoCore/Operator/MacFileFolder.h"

namespace tarvo {

std::string_view rawValue(MacFileFolder folder) {
    switch (folder) {
    case MacFileFolder::documents: return "documents";
    case MacFileFolder::desktop: return "desktop";
    case MacFileFolder::downloads: return "downloads";
    case MacFileFolder::icloud: return "icloud";
    case MacFileFolder::other: return "other";
    }
    return {};
}

} // namespace tarvo
