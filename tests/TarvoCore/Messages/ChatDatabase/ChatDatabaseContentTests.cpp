#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <span>

#include "ChatDatabaseTest.h"
#include "Support/TypedStream.h"

using tarvo::ChatDatabase;
using tarvo::testing::Bytes;
using tarvo::testing::ChatDatabaseTest;
using tarvo::testing::typedStreamHolding;

namespace {

Bytes bytesOf(std::string_view text) { return Bytes(text.begin(), text.end()); }

Bytes joined(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const auto& part : parts) out.insert(out.end(), part.begin(), part.end());
    return out;
}

// The body in a buffer of exactly its size, so that a read one byte past its end is an
// overflow the address sanitizer reports rather than a read of a vector's spare capacity.
std::optional<std::string> plainTextOfExactly(const Bytes& body) {
    const auto exact = std::make_unique<std::uint8_t[]>(body.size());
    std::copy(body.begin(), body.end(), exact.get());
    return ChatDatabase::plainText(std::span<const std::uint8_t>(exact.get(), body.size()));
}

} // namespace

TEST(ChatDatabasePlainText, ReadsEachCountForm) {
    EXPECT_EQ(ChatDatabase::plainText(typedStreamHolding("hello")), "hello");
    EXPECT_EQ(ChatDatabase::plainText(joined({bytesOf("NSString+"), {0x05}, bytesOf("hello")})), "hello");
    const std::string threeHundred(300, 'q');
    EXPECT_EQ(ChatDatabase::plainText(joined({bytesOf("NSString\x01+"), {0x81, 0x2C, 0x01}, bytesOf(threeHundred)})),
              threeHundred);
    const std::string fortyThousand(40000, 'w');
    EXPECT_EQ(ChatDatabase::plainText(typedStreamHolding(fortyThousand)), fortyThousand);
    EXPECT_EQ(ChatDatabase::plainText(typedStreamHolding("\xF0\x9F\x91\x8B ok")), "\xF0\x9F\x91\x8B ok");
}

TEST(ChatDatabasePlainText, GivesNothingForMalformedOrTruncatedBodies) {
    const Bytes whole = typedStreamHolding(std::string(40000, 'w'));
    const std::size_t countAt = typedStreamHolding("").size() - 101 - 1;
    struct Case {
        const char* name;
        Bytes blob;
    };
    const Case cases[] = {
        {"empty", {}},
        {"marker alone", bytesOf("NSString")},
        {"marker then nothing but the sign", bytesOf("NSString+")},
        {"no sign after the marker", bytesOf("+\x05helloNSString\x05hello")},
        {"no marker", bytesOf("NSStrin+\x05hello")},
        {"zero count", joined({bytesOf("NSString+"), {0x00}, bytesOf("hello")})},
        {"count past the end", joined({bytesOf("NSString+"), {0x06}, bytesOf("hello")})},
        {"16-bit count with no bytes", joined({bytesOf("NSString+"), {0x81}})},
        {"16-bit count cut short", joined({bytesOf("NSString+"), {0x81, 0x2C}})},
        {"16-bit count past the end", joined({bytesOf("NSString+"), {0x81, 0x2C, 0x01}, bytesOf("abc")})},
        {"32-bit count with one byte", joined({bytesOf("NSString+"), {0x82, 0x40}})},
        {"32-bit count cut short", joined({bytesOf("NSString+"), {0x82, 0x40, 0x9C, 0x00}})},
        {"32-bit count past the end", Bytes(whole.begin(), whole.begin() + static_cast<long>(countAt) + 5 + 39999)},
        {"32-bit count of four gigabytes", joined({bytesOf("NSString+"), {0x82, 0xFF, 0xFF, 0xFF, 0xFF}, bytesOf("x")})},
        {"a marker byte is no count", joined({bytesOf("NSString+"), {0x84}, Bytes(0x84, 'a')})},
        {"the highest byte is no count", joined({bytesOf("NSString+"), {0xFF}, Bytes(0xFF, 'a')})},
        {"ill-formed UTF-8", joined({bytesOf("NSString+"), {0x02, 0xC3, 0x28}})},
        {"encoded surrogate", joined({bytesOf("NSString+"), {0x03, 0xED, 0xA0, 0x80}})},
    };
    for (const Case& c : cases) EXPECT_EQ(plainTextOfExactly(c.blob), std::nullopt) << c.name;
}

TEST(ChatDatabaseResolveType, RulesAndExtensions) {
    using Resolved = ChatDatabase::ResolvedType;
    struct Case {
        std::optional<std::string> mimeType, uti, filename;
        Resolved resolved;
    };
    const Case cases[] = {
        {"image/png", std::nullopt, "x.pluginPayloadAttachment", {"application/octet-stream", "link"}},
        {"audio/mp4", "com.apple.CoreAudio-Format", "a.m4a", {"audio/x-caf", "voice"}},
        {std::nullopt, "org.3gpp.adaptive-multi-rate-audio", std::nullopt, {"audio/amr", "voice"}},
        {" image/png ", "public.jpeg", "a.jpg", {"image/png", std::nullopt}},
        {"\tvideo/mp4\xC2\xA0", std::nullopt, std::nullopt, {"video/mp4", std::nullopt}},
        // Line breaks are not blanks: such a type is kept as stored.
        {"image/gif\n", std::nullopt, "a.png", {"image/gif\n", std::nullopt}},
        {"  ", std::nullopt, "photo.JPG", {"image/jpeg", std::nullopt}},
        {std::nullopt, "public.data", "/var/folders/x/Report.final.PDF", {"application/pdf", std::nullopt}},
        {std::nullopt, std::nullopt, "archive.zip", {"application/octet-stream", std::nullopt}},
        {std::nullopt, std::nullopt, "noextension", {"application/octet-stream", std::nullopt}},
        // A name that ends in a separator still names its last component.
        {std::nullopt, std::nullopt, "/tmp/photo.jpg/", {"image/jpeg", std::nullopt}},
        {std::nullopt, std::nullopt, "Notes.TXT//", {"text/plain", std::nullopt}},
        {std::nullopt, std::nullopt, "photos/", {"application/octet-stream", std::nullopt}},
        {std::nullopt, std::nullopt, std::nullopt, {"application/octet-stream", std::nullopt}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ChatDatabase::resolveType(c.mimeType, c.uti, c.filename), c.resolved) << c.filename.value_or("-");
    }
    const std::pair<const char*, const char*> table[] = {
        {"jpg", "image/jpeg"},     {"jpeg", "image/jpeg"},     {"png", "image/png"},   {"heic", "image/heic"},
        {"gif", "image/gif"},      {"webp", "image/webp"},     {"tiff", "image/tiff"}, {"avif", "image/avif"},
        {"mov", "video/quicktime"}, {"mp4", "video/mp4"},      {"m4v", "video/mp4"},   {"3gp", "video/3gpp"},
        {"pdf", "application/pdf"}, {"txt", "text/plain"},     {"csv", "text/csv"},    {"md", "text/markdown"},
        {"vcf", "text/vcard"},     {"caf", "audio/x-caf"},     {"amr", "audio/amr"},   {"m4a", "audio/x-m4a"},
        {"mp3", "audio/mpeg"},     {"wav", "audio/wav"},
    };
    for (const auto& [extension, type] : table) {
        EXPECT_EQ(ChatDatabase::resolveType(std::nullopt, std::nullopt, std::string("file.") + extension).mimeType, type);
    }
}

TEST_F(ChatDatabaseTest, AttachmentBytesUpToTheLimit) {
    const auto ten = folder / "ten";
    const auto eleven = folder / "eleven";
    const auto empty = folder / "empty";
    write(ten, "0123456789");
    write(eleven, "0123456789A");
    write(empty, "");

    EXPECT_EQ(ChatDatabase::attachmentBytes(ten, 10), bytesOf("0123456789"));
    EXPECT_EQ(ChatDatabase::attachmentBytes(eleven, 10), std::nullopt);
    EXPECT_EQ(ChatDatabase::attachmentBytes(eleven, 100000), bytesOf("0123456789A"));
    EXPECT_EQ(ChatDatabase::attachmentBytes(empty, 10), std::nullopt);
    EXPECT_EQ(ChatDatabase::attachmentBytes(folder / "missing", 10), std::nullopt);
    EXPECT_THROW(ChatDatabase::attachmentBytes(folder.path(), 10), std::filesystem::filesystem_error);

    const std::string big(200000, 'b');
    const auto large = folder / "large";
    write(large, big);
    EXPECT_EQ(ChatDatabase::attachmentBytes(large, 200000), bytesOf(big));
    EXPECT_EQ(ChatDatabase::attachmentBytes(large, 199999), std::nullopt);
}
