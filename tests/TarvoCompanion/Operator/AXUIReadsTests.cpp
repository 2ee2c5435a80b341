#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "TarvoCompanion/Operator/AXUIReads.h"
#include "TarvoCompanion/Operator/MacActor.h"

namespace tarvo {
namespace {

// Elements held in memory, named by numbers; attributes as the accessibility names them.
struct MemorySource {
    struct Node {
        std::map<std::string, std::string, std::less<>> strings;
        std::map<std::string, int, std::less<>> elements;
        std::vector<int> children;
        std::vector<int> windows;
    };
    std::map<int, Node> nodes;

    std::optional<std::string> string(std::string_view attribute, int element) {
        const auto& strings = nodes[element].strings;
        const auto found = strings.find(attribute);
        return found == strings.end() ? std::nullopt : std::optional<std::string>(found->second);
    }
    std::vector<int> children(int element) { return nodes[element].children; }
    std::optional<int> element(std::string_view attribute, int of) {
        const auto& elements = nodes[of].elements;
        const auto found = elements.find(attribute);
        return found == elements.end() ? std::nullopt : std::optional<int>(found->second);
    }
    std::vector<int> elements(std::string_view attribute, int of) {
        return attribute == "AXWindows" ? nodes[of].windows : std::vector<int>{};
    }

    // A chain 1 → 2 → … → `length`, each the parent of the next, the last one `leaf`.
    void chain(int length) {
        for (int i = 1; i <= length; ++i) {
            if (i > 1) nodes[i].elements["AXParent"] = i - 1;
            if (i < length) nodes[i].children = {i + 1};
        }
    }
};

TEST(AXUIReadsTests, TheFrontWindowIsTheFocusedOneElseTheMainOneElseTheFirst) {
    MemorySource source;
    source.nodes[0].windows = {30, 31};
    EXPECT_EQ(AXUIReads::frontWindow(source, 0), 30);
    source.nodes[0].elements["AXMainWindow"] = 20;
    EXPECT_EQ(AXUIReads::frontWindow(source, 0), 20);
    source.nodes[0].elements["AXFocusedWindow"] = 10;
    EXPECT_EQ(AXUIReads::frontWindow(source, 0), 10);
    source.nodes[1] = {};
    EXPECT_EQ(AXUIReads::frontWindow(source, 1), std::nullopt);
}

TEST(AXUIReadsTests, TheDialogIsFoundWithinTwelveElementsOfTheWayUp) {
    struct Case {
        const char* what;
        int levelsUp;
        bool found;
    };
    for (const Case& c : {Case{"the element itself", 0, true}, Case{"eleven levels up", 11, true},
                          Case{"twelve levels up", 12, false}}) {
        MemorySource source;
        const int leaf = 20;
        source.chain(leaf);
        source.nodes[leaf].strings = {{"AXRole", "AXStaticText"}, {"AXValue", "Sure?"}};
        source.nodes[leaf - c.levelsUp].strings["AXSubrole"] = "AXDialog";
        EXPECT_EQ(AXUIReads::dialogText(source, leaf), c.found ? std::optional<std::string>("Sure?") : std::nullopt)
            << c.what;
    }
}

TEST(AXUIReadsTests, ASheetOrASystemDialogCountsAndAPlainWindowHasNoDialogText) {
    MemorySource source;
    source.chain(3);
    source.nodes[3].strings = {{"AXRole", "AXButton"}};
    EXPECT_EQ(AXUIReads::dialogText(source, 3), std::nullopt);
    source.nodes[1].strings["AXRole"] = "AXSheet";
    EXPECT_EQ(AXUIReads::dialogText(source, 3), "");
    source.nodes[2].strings["AXSubrole"] = "AXSystemDialog";
    source.nodes[2].children = {3, 4};
    source.nodes[4].strings = {{"AXRole", "AXStaticText"}, {"AXValue", "Quit now?"}};
    EXPECT_EQ(AXUIReads::dialogText(source, 3), "Quit now?");
}

TEST(AXUIReadsTests, DialogWordsAreTheFirstTwentyStaticTextsBreadthFirstCutToSixHundredCharacters) {
    MemorySource source;
    source.nodes[0].strings["AXSubrole"] = "AXDialog";
    // Two levels: the dialog's own texts come before their children's.
    for (int i = 1; i <= 30; ++i) {
        source.nodes[0].children.push_back(i);
        source.nodes[i].strings = {{"AXRole", "AXStaticText"}, {"AXValue", "t" + std::to_string(i)}};
        source.nodes[i].children = {100 + i};
        source.nodes[100 + i].strings = {{"AXRole", "AXStaticText"}, {"AXValue", "deep"}};
    }
    // A text that is no static text, and an empty one, are passed over.
    source.nodes[2].strings["AXRole"] = "AXButton";
    source.nodes[3].strings["AXValue"] = "";
    std::string expected;
    for (int i = 1; i <= 22; ++i) {
        if (i == 2 || i == 3) continue;
        expected += (expected.empty() ? "t" : " t") + std::to_string(i);
    }
    EXPECT_EQ(AXUIReads::dialogText(source, 0), expected);

    MemorySource wordy;
    wordy.nodes[0].strings["AXSubrole"] = "AXDialog";
    wordy.nodes[0].children = {1, 2};
    wordy.nodes[1].strings = {{"AXRole", "AXStaticText"}, {"AXValue", std::string(590, 'a')}};
    wordy.nodes[2].strings = {{"AXRole", "AXStaticText"}, {"AXValue", "ééééééééééééééé"}};
    EXPECT_EQ(AXUIReads::dialogText(wordy, 0), std::string(590, 'a') + " ééééééééé");
}

TEST(AXUIReadsTests, TheDialogWalkVisitsTwoHundredElementsAtMost) {
    MemorySource source;
    source.chain(300);
    source.nodes[1].strings["AXSubrole"] = "AXDialog";
    source.nodes[200].strings = {{"AXRole", "AXStaticText"}, {"AXValue", "in reach"}};
    source.nodes[201].strings = {{"AXRole", "AXStaticText"}, {"AXValue", "beyond"}};
    EXPECT_EQ(AXUIReads::dialogWords(source, 1), "in reach");
}

TEST(MacActorWheelTests, AmountsCountFromOneToTenAndEveryDirectionButThreeTurnsRight) {
    struct Case {
        const char* direction;
        std::int64_t amount;
        MacActor::Wheel wheel;
    };
    for (const Case& c : {Case{"up", 1, {4, 10}}, Case{"down", 3, {5, 30}}, Case{"left", 10, {6, 100}},
                          Case{"right", 2, {7, 20}}, Case{"down", 0, {5, 10}}, Case{"up", -4, {4, 10}},
                          Case{"down", 25, {5, 100}}, Case{"sideways", 1, {7, 10}}, Case{"Up", 1, {7, 10}}}) {
        EXPECT_EQ(MacActor::wheel(c.direction, c.amount), c.wheel) << c.direction << " " << c.amount;
    }
}

} // namespace
} // namespace tarvo
