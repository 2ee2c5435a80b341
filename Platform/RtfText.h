#pragma once

#include <string>
#include <string_view>

namespace tarvo {

// The text of a rich-text document: groups, control words and symbols read, the destinations
// that hold no text of the document (font and colour tables, pictures, "\*" destinations, field
// instructions) skipped, "\'hh" decoded in the document's ANSI code page and "\uN" with its
// "\ucN" replacement count.
class RtfText {
public:
    static std::string plain(std::string_view rtf);
};

} // namespace tarvo
