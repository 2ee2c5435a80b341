#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string>

#include "Platform/SearchPath.h"
#include "Platform/XclipClipboard.h"
#include "Support/DesktopSessionTest.h"

namespace tarvo {
namespace {

using testing::DesktopSessionTest;

class XclipClipboardTests : public DesktopSessionTest {};

// What the clipboard selection holds, read as another program reads it.
std::string clipboardNow() {
    std::unique_ptr<FILE, int (*)(FILE*)> reading(::popen("timeout 10 xclip -o -selection clipboard", "r"), ::pclose);
    std::string text;
    char chunk[256];
    while (reading && std::fgets(chunk, sizeof chunk, reading.get())) text += chunk;
    return text;
}

TEST_F(XclipClipboardTests, TheTextIsOnTheClipboardForOtherPrograms) {
    XclipClipboard clipboard = XclipClipboard::current(std::getenv("PATH"), std::getenv("DISPLAY"));
    ASSERT_TRUE(clipboard.exists()) << "xclip is installed by tools/setup.sh";
    clipboard.put("WXYZ-1234");
    EXPECT_EQ(clipboardNow(), "WXYZ-1234");
    clipboard.put("ABCD-5678");
    EXPECT_EQ(clipboardNow(), "ABCD-5678");
}

TEST(XclipClipboard, WithoutADisplayOrOneThatDoesNotAnswerNothingIsCopiedAndItSaysSo) {
    const auto xclip = SearchPath::find(std::getenv("PATH") ? std::getenv("PATH") : "", "xclip");
    XclipClipboard none(xclip, std::nullopt);
    EXPECT_FALSE(none.exists());
    EXPECT_THROW(none.put("WXYZ-1234"), std::runtime_error);
    if (!xclip) GTEST_SKIP() << "xclip is not installed (tools/setup.sh installs it)";
    XclipClipboard gone(xclip, ":999");
    EXPECT_THROW(gone.put(std::string(100000, 'x')), std::runtime_error) << "and this program is not ended by it";
}

} // namespace
} // namespace tarvo
