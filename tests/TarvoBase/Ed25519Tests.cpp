#include <string>

#include <gtest/gtest.h>

#include "TarvoBase/Ed25519.h"

using tarvo::Ed25519;

namespace {

std::string bytes(std::string_view hex) {
    std::string out;
    for (std::size_t index = 0; index + 1 < hex.size(); index += 2) {
        out.push_back(static_cast<char>(std::stoi(std::string(hex.substr(index, 2)), nullptr, 16)));
    }
    return out;
}

// The first test vector of RFC 8032: the empty message.
const std::string publicKey = bytes("d75a980182b10ab7d54bfed3c964073a0ee172f3daa62325af021a68f707511a");
const std::string signature = bytes("e5564300c360ac729086e2cc806e828a84877f1eb8e5d974d873e06522490155"
                                    "5fb8821590a33bacc61e39701cf9b46bd25bf5f0595bbe24655141438e7a100b");

} // namespace

TEST(Ed25519, VerifiesOnlyTheSignedMessageUnderItsKey) {
    EXPECT_TRUE(Ed25519::verify("", signature, publicKey));
    EXPECT_FALSE(Ed25519::verify("x", signature, publicKey));
    std::string altered = signature;
    altered[10] = static_cast<char>(altered[10] ^ 1);
    EXPECT_FALSE(Ed25519::verify("", altered, publicKey));
    std::string otherKey = publicKey;
    otherKey[0] = static_cast<char>(otherKey[0] ^ 1);
    EXPECT_FALSE(Ed25519::verify("", signature, otherKey));
    EXPECT_FALSE(Ed25519::verify("", signature.substr(1), publicKey));
    EXPECT_FALSE(Ed25519::verify("", signature, publicKey + "x"));
    EXPECT_FALSE(Ed25519::verify("", "", ""));
}
