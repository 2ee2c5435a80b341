#pragma once

#include <string_view>

namespace tarvo {

// The text of a script injected into a web page, built into the program from
// TarvoCore/WhatsApp/Scripts/<name> so that what runs is what the page-script bench tested.
// Throws std::out_of_range naming the script when none of that name was built in.
std::string_view pageScript(std::string_view name);

} // namespace tarvo
