#include "TarvoCore/Operator/ScreenAfter.h"

#include "TarvoBase/Text.h"

namespace tarvo {

Json ScreenAfter::wire() const {
    Json out{
        {"app", Text::utf16Prefix(app, 200)},
        {"text", Text::utf16Prefix(text, 6000)},
        {"truncated", truncated},
    };
    if (elements) out["elements"] = MacElementInfo::wire(*elements);
    return out;
}

} // namespace tarvo
