#pragma once

#include <string>

namespace tarvo {

// What a page says, without its markup.
class HtmlText {
public:
    // Script and style blocks and every tag go; a line break stands for br and the ends of
    // paragraphs, divisions and list items; the common entities are decoded once each.
    static std::string stripTags(const std::string& html);
};

} // namespace tarvo
