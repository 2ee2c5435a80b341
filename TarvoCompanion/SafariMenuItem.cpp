#include "TarvoCompanion/SafariMenuItem.h"

#include <string>

namespace tarvo {

std::vector<MenuItem> SafariMenuItem::items(SafariSetup setup) {
    switch (setup.kind()) {
    case SafariSetup::hidden: return {};
    case SafariSetup::on: return {MenuItem::divider(), MenuItem::button("safari", std::string(SafariSetup::onLine))};
    case SafariSetup::offer:
        return {MenuItem::divider(), MenuItem::button("safari", std::string(SafariSetup::buttonTitle))};
    }
    return {};
}

} // namespace tarvo
