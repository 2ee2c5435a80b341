#pragma once

#include <cstddef>
#include <string_view>

namespace tarvo {

// Rules for the folder names the service sends, turned into places under the user's home folder.
class FolderAccess {
public:
    // The longest folder name, in UTF-16 code units.
    static constexpr std::size_t maxLength = 255;

    // A relative name of 1 to `maxLength` units, without control characters, that neither begins
    // nor ends with "/", does not begin with "~", and has no empty, "." or ".." part. Such a name
    // can only lead below the folder it is joined to.
    static bool isValid(std::string_view name);
};

} // namespace tarvo
