#include "TarvoCore/Operator/FileRefKey.h"

#include <algorithm>

#include "TarvoBase/Base64.h"
#include "TarvoBase/RandomBytes.h"

namespace tarvo {

FileRefKey::Bytes FileRefKey::current(SettingsStore& in) {
    Bytes bytes{};
    if (const auto stored = in.object(key); stored && stored->is_string()) {
        const auto decoded = Base64::decode(stored->get<std::string>());
        if (decoded && decoded->size() == bytes.size()) {
            std::ranges::copy(*decoded, bytes.begin());
            return bytes;
        }
    }
    fillWithRandomBytes(bytes);
    in.set(Json(Base64::encode(bytes)), key);
    return bytes;
}

} // namespace tarvo
