#include "TarvoCore/Operator/FolderAccess.h"

#include "TarvoBase/Text.h"
#include "TarvoCore/Operator/RelativeFolderName.h"

namespace tarvo {

bool FolderAccess::isValid(std::string_view name) {
    if (name.empty() || name.front() == '~') return false;
    return Text::utf16Length(name) <= maxLength && isRelativeFolderName(name);
}

} // namespace tarvo
