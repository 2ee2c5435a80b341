#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "TarvoCore/WhatsApp/PictureType.h"

namespace tarvo::WhatsAppWeb {
namespace {

using namespace std::string_literals;

TEST(WhatsAppPictureType, APictureIsKnownByItsLeadingBytesAndNothingElseIsOne) {
    struct Case {
        std::string bytes;
        std::optional<std::string> type;
    };
    const Case cases[] = {
        {"\x89PNG\r\n\x1a\n rest"s, "image/png"},
        {"\xff\xd8\xff\xe0 rest"s, "image/jpeg"},
        {"GIF87a rest", "image/gif"},
        {"GIF89a rest", "image/gif"},
        {"RIFF\x10\0\0\0WEBPVP8 "s, "image/webp"},
        {"\0\0\0\x18" "ftypheic\0\0\0\0"s, "image/heic"},
        {"\0\0\0\x18" "ftypmif1\0\0\0\0"s, "image/heic"},
        {"\0\0\0\x18" "ftypisom\0\0\0\0"s, std::nullopt},
        {"RIFF\x10\0\0\0WAVEfmt "s, std::nullopt},
        {"\x89PNG\r\n"s, std::nullopt},
        {"<svg xmlns=\"http://www.w3.org/2000/svg\"/>", std::nullopt},
        {"%PDF-1.7", std::nullopt},
        {"", std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(pictureType(c.bytes), c.type) << c.bytes;
}

} // namespace
} // namespace tarvo::WhatsAppWeb
