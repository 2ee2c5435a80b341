#include "TarvoBase/InstallId.h"

namespace tarvo {

std::string InstallId::current(SettingsStore& in, const std::function<Uuid()>& make) {
    if (const auto stored = in.object(key); stored && stored->is_string()) {
        if (const auto uuid = Uuid::parse(stored->get_ref<const std::string&>())) return uuid->lowercased();
    }
    std::string made = make().lowercased();
    in.set(Json(made), key);
    return made;
}

} // namespace tarvo
