#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Platform/NulSeparatedMessages.h"

namespace tarvo {
namespace {

std::vector<std::string> cut(const std::string& stream, std::size_t piece) {
    NulSeparatedMessages messages;
    std::vector<std::string> taken;
    for (std::size_t at = 0; at < stream.size(); at += piece) {
        messages.append(std::string_view(stream).substr(at, piece));
        while (auto message = messages.next()) taken.push_back(*message);
    }
    return taken;
}

TEST(NulSeparatedMessages, GivesEveryWholeMessageOnceHoweverTheBytesArrive) {
    const std::string stream = std::string("{\"id\":1}\0\0{\"method\":\"x\"}\0{\"partial\"", 35);
    const std::vector<std::string> expected = {"{\"id\":1}", "", "{\"method\":\"x\"}"};
    for (std::size_t piece = 1; piece <= stream.size(); ++piece) {
        EXPECT_EQ(cut(stream, piece), expected) << "in pieces of " << piece;
    }
}

} // namespace
} // namespace tarvo
