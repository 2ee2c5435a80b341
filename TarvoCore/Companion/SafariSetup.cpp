#include "TarvoCore/Companion/SafariSetup.h"

namespace tarvo {

SafariSetup SafariSetup::decide(bool embedded, bool enabled) {
    if (!embedded) return hidden;
    return enabled ? on : offer;
}

std::string_view rawValue(SafariSetup setup) {
    switch (setup.kind()) {
    case SafariSetup::hidden: return "hidden";
    case SafariSetup::on: return "on";
    case SafariSetup::offer: return "offer";
    }
    return "hidden";
}

} // namespace tarvo
