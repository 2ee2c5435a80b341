#include "TarvoCore/Operator/MacFileListing.h"

#include <algorithm>

#include "TarvoBase/TarvoDate.h"
#include "TarvoBase/Text.h"
#include "TarvoCore/Operator/MacPermissionPolicy.h"

namespace tarvo {

Json MacFileListing::wire() const {
    Json out{
        {"ref", ref},
        {"name", Text::utf16Prefix(name, 255)},
        {"folder", rawValue(folder)},
        {"bytes", std::max<std::int64_t>(bytes, 0)},
        {"modifiedAt", TarvoDate::format(modifiedAt)},
        {"cloudOnly", cloudOnly},
    };
    if (type && !type->empty()) out["type"] = Text::utf16Prefix(*type, 120);
    if (dir && MacPermissionPolicy::isValid(*dir)) out["dir"] = *dir;
    return out;
}

} // namespace tarvo
