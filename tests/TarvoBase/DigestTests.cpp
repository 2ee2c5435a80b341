#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <fcntl.h>

#include "Support/TemporaryFolder.h"
#include "TarvoBase/FileCalls.h"
#include "TarvoBase/HexString.h"
#include "TarvoBase/HmacSha256.h"
#include "TarvoBase/Sha256.h"

using tarvo::FileCalls;
using tarvo::hexString;
using tarvo::HmacSha256;
using tarvo::Sha256;

namespace {

std::string commandOutput(const std::string& command) {
    std::unique_ptr<FILE, decltype(&::pclose)> pipe(::popen(command.c_str(), "r"), &::pclose);
    if (!pipe) return {};
    std::string output;
    char buffer[256];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe.get())) output.append(buffer, n);
    return output;
}

} // namespace

TEST(HexString, WritesTwoLowerCaseDigitsPerByte) {
    const std::vector<std::uint8_t> bytes{0x00, 0x09, 0x0a, 0x7f, 0xab, 0xff};
    EXPECT_EQ(hexString(bytes), "00090a7fabff");
    EXPECT_EQ(hexString({}), "");
}

TEST(Sha256, DigestsKnownTexts) {
    EXPECT_EQ(hexString(Sha256::of("")), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(hexString(Sha256::of("abc")), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
}

TEST(Sha256, StartsOverAfterFinishing) {
    Sha256 sha;
    sha.update("ab");
    sha.update("c");
    EXPECT_EQ(sha.finish(), Sha256::of("abc"));
    EXPECT_EQ(sha.finish(), Sha256::of(""));
}

TEST(Sha256, StreamedDigestOfALargeFileEqualsSha256sum) {
    tarvo::testing::TemporaryFolder folder;
    const auto path = folder / "nine-mebibytes";
    {
        std::ofstream out(path, std::ios::binary);
        std::string block(4096, '\0');
        for (std::size_t i = 0; i < 9 * 1024 * 1024 / block.size(); ++i) {
            for (std::size_t j = 0; j < block.size(); ++j) block[j] = static_cast<char>((i * 31 + j * 7) & 0xff);
            out.write(block.data(), static_cast<std::streamsize>(block.size()));
        }
    }
    Sha256 sha;
    const auto file = FileCalls::open(path, O_RDONLY);
    // An odd piece size, so pieces straddle the digest's 64-byte blocks.
    std::vector<std::byte> piece(65537);
    while (std::size_t n = FileCalls::read(file.get(), piece.data(), piece.size()))
        sha.update(std::span<const std::byte>(piece.data(), n));

    const std::string reference = commandOutput("sha256sum '" + path.string() + "'");
    ASSERT_GE(reference.size(), 64u) << "sha256sum did not run";
    EXPECT_EQ(hexString(sha.finish()), reference.substr(0, 64));
}

TEST(HmacSha256, MatchesRfc4231) {
    struct Case {
        std::string key;
        std::string message;
        const char* mac;
    };
    for (const auto& c : std::initializer_list<Case>{
             {std::string(20, '\x0b'), "Hi There", "b0344c61d8db38535ca8afceaf0bf12b881dc200c9833da726e9376c2e32cff7"},
             {"Jefe", "what do ya want for nothing?",
              "5bdcc146bf60754e6a042426089575c75a003f089d2739839dec58b964ec3843"},
             // A key longer than the hash's block is hashed first.
             {std::string(131, '\xaa'), "Test Using Larger Than Block-Size Key - Hash Key First",
              "60e431591ee0b67f0d8a26aacbf5b77f8e0bc6213728c5140546040f0ee37f54"},
         }) {
        const auto* key = reinterpret_cast<const std::uint8_t*>(c.key.data());
        EXPECT_EQ(hexString(HmacSha256::of({key, c.key.size()}, c.message)), c.mac) << c.message;
    }
}

TEST(HmacSha256, TakesAnEmptyKeyAndMessage) {
    EXPECT_EQ(hexString(HmacSha256::of({}, "")), "b613679a0814d9ec772f95d778c35fc5ff1697c493715653c6c712144292c5ad");
}
