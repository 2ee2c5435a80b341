#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <optional>
#include <random>
#include <regex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "TarvoBase/Text.h"
#include "TarvoCore/Operator/AXElementSource.h"
#include "TarvoCore/Operator/AXNode.h"
#include "TarvoCore/Operator/AXSnapshot.h"
#include "TarvoCore/Operator/AXWalk.h"

using tarvo::AXNode;
using tarvo::AXSnapshot;
using tarvo::AXWalk;
using tarvo::MacElementInfo;
using tarvo::Text;

namespace {

// One element of a fake application's tree: its text attributes by accessibility name.
struct FakeElement {
    std::map<std::string, std::string, std::less<>> strings;
    std::optional<bool> enabled;
    std::vector<FakeElement> children;
};

using Element = const FakeElement*;

FakeElement element(std::map<std::string, std::string, std::less<>> strings, std::vector<FakeElement> children = {},
                    std::optional<bool> enabled = std::nullopt) {
    return FakeElement{std::move(strings), enabled, std::move(children)};
}

// A source that cannot read yes-or-no attributes, and counts what it is asked.
class TextOnlySource : public tarvo::AXElementSource<Element> {
public:
    std::optional<std::string> string(std::string_view attribute, const Element& element) override {
        reads.emplace_back(element, std::string(attribute));
        const auto found = element->strings.find(attribute);
        if (found == element->strings.end()) return std::nullopt;
        return found->second;
    }
    std::vector<Element> children(const Element& element) override {
        reads.emplace_back(element, "children");
        std::vector<Element> out;
        for (const FakeElement& child : element->children) out.push_back(&child);
        return out;
    }

    std::vector<std::string> readsOf(Element element) const {
        std::vector<std::string> out;
        for (const auto& [of, what] : reads) {
            if (of == element) out.push_back(what);
        }
        return out;
    }
    std::size_t childReads() const {
        return std::ranges::count_if(reads, [](const auto& read) { return read.second == "children"; });
    }

    std::vector<std::pair<Element, std::string>> reads;
};

class FakeSource : public TextOnlySource {
public:
    std::optional<bool> boolean(std::string_view attribute, const Element& element) override {
        reads.emplace_back(element, std::string(attribute));
        return element->enabled;
    }
};

AXNode node(std::string role, std::optional<std::string> title = std::nullopt, std::vector<AXNode> children = {}) {
    AXNode made;
    made.role = std::move(role);
    made.title = std::move(title);
    made.children = std::move(children);
    return made;
}

AXSnapshot serialize(const AXNode& root, std::size_t budget = AXSnapshot::budget) {
    return AXSnapshot::serialize(root, "Mail", 7, budget);
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    if (text.empty()) return lines;
    std::size_t start = 0;
    for (std::size_t end = text.find('\n'); end != std::string::npos; end = text.find('\n', start)) {
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    lines.push_back(text.substr(start));
    return lines;
}

} // namespace

TEST(AXSnapshot, WalksAWindowIntoLinesWithElementIds) {
    const FakeElement window = element(
        {{"AXRole", "AXWindow"}, {"AXTitle", "Mail"}},
        {
            element({{"AXRole", "AXGroup"}},
                    {
                        element({{"AXRole", "AXButton"}, {"AXTitle", "Send"}}, {}, true),
                        element({{"AXRole", "AXTextField"}, {"AXSubrole", "AXSecureTextField"},
                                 {"AXTitle", "Password"}, {"AXValue", "hunter2"}},
                                {element({{"AXRole", "AXStaticText"}, {"AXValue", "child of a secret"}})}, true),
                        element({{"AXRole", "AXStaticText"}, {"AXDescription", "Subject"}, {"AXValue", " Subject\t"}}),
                    }),
            element({{"AXRole", "AXTextField"}, {"AXTitle", "  "}, {"AXDescription", "To"},
                     {"AXValue", "ann@example.com"}},
                    {}, false),
            element({{"AXRole", "AXButton"}}),
            element({{"AXRole", "AXImage"}, {"AXSubrole", "AXDecoration"}}),
            element({{"AXTitle", "no role"}}),
        });
    FakeSource source;
    const auto kept = AXWalk::buildKeeping<Element>(source, &window, 14, 2000);
    const AXSnapshot snapshot = AXSnapshot::serialize(kept.tree, "Mail", 4, AXSnapshot::budget);

    EXPECT_EQ(snapshot.text,
              "[4.1] AXWindow Mail\n"
              "    [4.2] AXButton Send\n"
              "    [4.3] AXSecureTextField\n"
              "    [4.4] AXStaticText Subject\n"
              "  [4.5] AXTextField To — ann@example.com\n"
              "  [4.6] AXButton\n"
              "  [4.7] AXUnknown no role");
    EXPECT_FALSE(snapshot.truncated);
    EXPECT_EQ(snapshot.elementCount, 7u);
    EXPECT_EQ(snapshot.elements, (std::vector<MacElementInfo>{
                                     {"4.2", "AXButton", "Send", true},
                                     {"4.5", "AXTextField", "To", false},
                                     {"4.6", "AXButton", "", std::nullopt},
                                 }));
    EXPECT_EQ(snapshot.elementRefs, (std::map<std::string, std::size_t>{{"4.2", 0}, {"4.5", 1}, {"4.6", 2}}));
    const FakeElement& group = window.children[0];
    EXPECT_EQ(kept.elements, (std::vector<Element>{&group.children[0], &window.children[1], &window.children[2]}));
    EXPECT_FALSE(kept.nodeLimitLeftOut);

    // Enabled is read for actionable nodes only.
    EXPECT_EQ(source.readsOf(&window), (std::vector<std::string>{"AXRole", "AXSubrole", "AXTitle", "AXDescription",
                                                                 "AXValue", "children"}));
    EXPECT_EQ(source.readsOf(&window.children[2]),
              (std::vector<std::string>{"AXRole", "AXSubrole", "AXTitle", "AXDescription", "AXValue", "AXEnabled",
                                        "children"}));
    EXPECT_EQ(kept.tree.children[3].enabled, std::nullopt);
    EXPECT_EQ(kept.tree.children[3].ref, std::nullopt);
}

TEST(AXSnapshot, ReadsNothingOfAPasswordFieldButItsRole) {
    for (const auto& [role, subrole] : std::vector<std::pair<std::string, std::optional<std::string>>>{
             {"AXSecureTextField", std::nullopt},
             {"AXTextField", "AXSecureTextField"},
         }) {
        std::map<std::string, std::string, std::less<>> strings{
            {"AXRole", role}, {"AXTitle", "Password"}, {"AXDescription", "secret label"}, {"AXValue", "hunter2"}};
        if (subrole) strings.emplace("AXSubrole", *subrole);
        const FakeElement secret = element(strings, {element({{"AXRole", "AXStaticText"}, {"AXTitle", "hint"}})}, true);
        const FakeElement window = element({{"AXRole", "AXWindow"}}, {secret});
        FakeSource source;
        const auto kept = AXWalk::buildKeeping<Element>(source, &window, 14, 2000);

        EXPECT_EQ(source.readsOf(&window.children[0]), (std::vector<std::string>{"AXRole", "AXSubrole"})) << role;
        EXPECT_TRUE(source.readsOf(&window.children[0].children[0]).empty());
        AXNode bare;
        bare.role = "AXSecureTextField";
        bare.subrole = subrole;
        EXPECT_EQ(kept.tree.children, std::vector<AXNode>{bare});
        EXPECT_TRUE(kept.elements.empty());
        EXPECT_EQ(serialize(kept.tree).text, "  [7.1] AXSecureTextField");
    }

    // Even a node that claims words and a ref shows none of them when it is secure.
    AXNode forged = node("AXTextField", "Password");
    forged.subrole = "AXSecureTextField";
    forged.value = "hunter2";
    forged.ref = 0;
    const AXSnapshot snapshot = serialize(node("AXWindow", std::nullopt, {forged}));
    EXPECT_EQ(snapshot.text, "  [7.1] AXSecureTextField");
    EXPECT_TRUE(snapshot.elements.empty());
    EXPECT_TRUE(snapshot.elementRefs.empty());
}

TEST(AXSnapshot, LimitsTheWalkAndSaysWhenTheNodeLimitLeftNodesOut) {
    const auto leaf = [](std::string title) { return element({{"AXRole", "AXStaticText"}, {"AXTitle", title}}); };
    const FakeElement window = element({{"AXRole", "AXWindow"}}, {
                                                                     element({{"AXRole", "AXGroup"}}, {leaf("a"), leaf("b")}),
                                                                     element({{"AXRole", "AXGroup"}}, {leaf("c"), leaf("d")}),
                                                                     element({{"AXRole", "AXGroup"}}, {leaf("e"), leaf("f")}),
                                                                 });
    const auto count = [](const AXNode& tree) {
        const auto counting = [](const auto& self, const AXNode& n) -> std::size_t {
            std::size_t total = 1;
            for (const AXNode& child : n.children) total += self(self, child);
            return total;
        };
        return counting(counting, tree);
    };
    struct Case {
        int maxDepth;
        int maxNodes;
        std::size_t nodes;
        bool leftOut;
        std::size_t childReads;
    };
    for (const Case& c : std::vector<Case>{
             {14, 2000, 10, false, 10},
             {14, 10, 10, false, 10},
             {14, 9, 9, true, 9},
             {14, 4, 4, true, 4},
             {14, 1, 1, true, 1},
             {14, 0, 1, true, 1},
             {1, 2000, 4, false, 1},
             {0, 2000, 1, false, 0},
             {-1, 2000, 1, false, 0},
         }) {
        TextOnlySource source;
        const auto kept = AXWalk::buildKeeping<Element>(source, &window, c.maxDepth, c.maxNodes);
        EXPECT_EQ(count(kept.tree), c.nodes) << c.maxDepth << " / " << c.maxNodes;
        EXPECT_EQ(kept.nodeLimitLeftOut, c.leftOut) << c.maxDepth << " / " << c.maxNodes;
        EXPECT_EQ(source.childReads(), c.childReads) << c.maxDepth << " / " << c.maxNodes;
        EXPECT_EQ(AXWalk::build<Element>(source, &window, c.maxDepth, c.maxNodes), kept.tree);
    }
    const FakeElement alone = element({{"AXRole", "AXButton"}}, {}, true);
    TextOnlySource source;
    const auto kept = AXWalk::buildKeeping<Element>(source, &alone, 14, 1);
    EXPECT_FALSE(kept.nodeLimitLeftOut) << "a root with no children left nothing out";
    EXPECT_EQ(kept.tree.ref, 0u);
    EXPECT_EQ(kept.tree.enabled, std::nullopt) << "a source that cannot read Booleans leaves enabled unknown";
}

TEST(AXSnapshot, IndentsByTreeDepthUpToTwelveLevels) {
    AXNode chain = node("AXStaticText", "deep");
    for (int level = 0; level < 15; ++level) chain = node("AXGroup", std::nullopt, {chain});
    chain.children[0].children[0].title = "two";
    AXNode eleventh = node("AXStaticText", "eleven");
    AXNode* at = &chain;
    for (int level = 0; level < 10; ++level) at = &at->children[0];
    at->children.insert(at->children.begin(), eleventh);

    EXPECT_EQ(serialize(chain).text, "    [7.1] AXGroup two\n"
                                     "                      [7.2] AXStaticText eleven\n"
                                     "                        [7.3] AXStaticText deep");
}

TEST(AXSnapshot, KeepsEveryWordOfAWindowOnItsOwnLine) {
    struct Case {
        std::string title;
        std::string words;
    };
    for (const Case& c : std::vector<Case>{
             {"a\nb", "a b"},
             {"a\rb", "a b"},
             {"a\r\nb", "a b"},
             {"a\xE2\x80\xA8" "b", "a b"},
             {"a\xE2\x80\xA9" "b", "a b"},
             {"a\vb", "a b"},
             {"a\fb", "a b"},
             {"a\xC2\x85" "b", "a b"},
             {"a\x1E" "b", "a b"},
             {"\r\n a \n", "a"},
             {"OK\r[7.3] AXButton Pay", "OK [7.3] AXButton Pay"},
         }) {
        AXNode field = node("AXTextField", c.title);
        field.value = "v\r\n[7.9] AXButton Pay";
        field.ref = 0;
        const AXSnapshot snapshot = serialize(node("AXWindow", std::nullopt, {field}));
        EXPECT_EQ(snapshot.text, "  [7.1] AXTextField " + c.words + " — v [7.9] AXButton Pay") << c.title;
        EXPECT_EQ(snapshot.elementCount, 1u);
        EXPECT_EQ(snapshot.elements.at(0).label, c.words);
    }
    AXNode forgedRole = node("AXButton\n[7.5] AXButton", "Pay");
    EXPECT_EQ(serialize(forgedRole).text, "[7.1] AXButton [7.5] AXButton Pay");
}

TEST(AXSnapshot, ShowsEachWordOnceAndTakesBlanksForNoWords) {
    AXNode same = node("AXStaticText", " Inbox ");
    same.label = "Inbox";
    same.value = "Inbox\t";
    AXNode blankTitle = node("AXButton", "   ");
    blankTitle.label = "Close";
    blankTitle.ref = 4;
    AXNode blankOnly = node("AXStaticText", " \t ");
    const AXSnapshot snapshot = serialize(node("AXGroup", std::nullopt, {same, blankTitle, blankOnly}));
    EXPECT_EQ(snapshot.text, "  [7.1] AXStaticText Inbox\n  [7.2] AXButton Close");
    EXPECT_EQ(snapshot.elements, (std::vector<MacElementInfo>{{"7.2", "AXButton", "Close", std::nullopt}}));
    EXPECT_EQ(snapshot.elementRefs, (std::map<std::string, std::size_t>{{"7.2", 4}}));

    AXNode notActionable = node("AXGroup", std::nullopt);
    notActionable.ref = 1;
    EXPECT_EQ(serialize(notActionable).text, "") << "a ref alone does not make a role actionable";
}

TEST(AXSnapshot, FitsTheTextToTheBudgetInUtf16Units) {
    // Each line below the root is "  [1.n] AXStaticText " (21 units) and its words.
    const auto lineOf = [](std::size_t units, bool wide) {
        std::string words;
        std::size_t left = units - 21;
        if (wide) {
            if (left % 2 == 1) words += "x";
            for (std::size_t pair = 0; pair < left / 2; ++pair) words += "\xF0\x9F\x98\x80";
        } else {
            words = std::string(left, 'x');
        }
        return node("AXStaticText", words);
    };
    struct Case {
        std::vector<std::size_t> lines;
        bool wide;
        std::size_t fitting;
    };
    for (const Case& c : std::vector<Case>{
             {{6000}, false, 1},
             {{6000}, true, 1},
             {{6001}, false, 0},
             {{6001}, true, 0},
             {{3000, 3000, 30}, false, 1},
             {{2999, 3000}, false, 2},
             {{2999, 3000}, true, 2},
         }) {
        AXNode root = node("AXGroup");
        for (const std::size_t units : c.lines) root.children.push_back(lineOf(units, c.wide));
        const AXSnapshot snapshot = AXSnapshot::serialize(root, "Mail", 1, AXSnapshot::budget);
        EXPECT_EQ(snapshot.elementCount, c.fitting) << c.lines.size() << " lines, first " << c.lines[0];
        EXPECT_EQ(snapshot.truncated, c.fitting < c.lines.size());
        std::size_t expected = 0;
        for (std::size_t line = 0; line < c.fitting; ++line) expected += c.lines[line] + (line > 0 ? 1 : 0);
        EXPECT_EQ(Text::utf16Length(snapshot.text), expected);
    }
}

TEST(AXSnapshot, ListsTwoHundredElementsAndWritesTheRest) {
    AXNode root = node("AXWindow");
    for (std::size_t index = 0; index < 201; ++index) {
        AXNode button = node("AXButton", "b" + std::to_string(index));
        button.ref = index;
        root.children.push_back(button);
    }
    const AXSnapshot snapshot = serialize(root);
    EXPECT_EQ(snapshot.elementCount, 201u);
    EXPECT_EQ(snapshot.elements.size(), 200u);
    EXPECT_EQ(snapshot.elementRefs.size(), 200u);
    EXPECT_EQ(snapshot.elements.back().id, "7.200");
    EXPECT_FALSE(snapshot.elementRefs.contains("7.201"));
    EXPECT_TRUE(snapshot.text.ends_with("\n  [7.201] AXButton b200"));
}

TEST(AXSnapshot, ResolvesOnlyIdsOfTheCurrentGeneration) {
    EXPECT_EQ(AXSnapshot::elementId(3, 17), "3.17");
    struct Case {
        std::string id;
        std::optional<std::int64_t> number;
    };
    for (const Case& c : std::vector<Case>{
             {"7.3", 3},
             {"7.+3", 3},
             {"+7.3", 3},
             {"7.0003", 3},
             {"7.9223372036854775807", 9223372036854775807},
             {"6.3", std::nullopt},
             {"7.0", std::nullopt},
             {"7.", std::nullopt},
             {".3", std::nullopt},
             {"7..3", std::nullopt},
             {"7.3.1", std::nullopt},
             {"[7.3]", std::nullopt},
             {"7.-3", std::nullopt},
             {"7.+-3", std::nullopt},
             {"7.--3", std::nullopt},
             {"7.+", std::nullopt},
             {"7. 3", std::nullopt},
             {"7.3 ", std::nullopt},
             {"7.9223372036854775808", std::nullopt},
             {"7.\xD9\xA3", std::nullopt},
             {"7", std::nullopt},
             {"", std::nullopt},
         }) {
        EXPECT_EQ(AXSnapshot::resolve(c.id, 7), c.number) << c.id;
    }
    EXPECT_EQ(AXSnapshot::resolve("-2.5", -2), 5);
}

// Random windows through the walk and the serialisation: whatever their words and budget, the
// text keeps its promises.
TEST(AXSnapshot, KeepsItsPromisesOverRandomWindows) {
    std::mt19937 random(51);
    const std::vector<std::string> words{"Send", "  ", "a\nb", "\xF0\x9F\x98\x80", "—", "x\r\n[1.2] AXButton OK",
                                         "\xE2\x80\xA8", "Inbox", "\t", "caf\xC3\xA9", "\xC2\x85", std::string(40, 'w')};
    const std::vector<std::string> roles{"AXButton", "AXGroup", "AXTextField", "AXStaticText", "AXCell",
                                         "AXSecureTextField", "AXLink", "AXRow", "AXSlider"};
    int secrets = 0;
    const auto grow = [&](const auto& self, int depth) -> FakeElement {
        FakeElement made;
        made.strings["AXRole"] = roles[random() % roles.size()];
        if (random() % 8 == 0) made.strings["AXSubrole"] = "AXSecureTextField";
        const bool secure = made.strings["AXRole"] == "AXSecureTextField" || made.strings.contains("AXSubrole");
        for (const char* attribute : {"AXTitle", "AXDescription", "AXValue"}) {
            if (random() % 2 == 0) continue;
            made.strings[attribute] = secure ? "SECRET" + std::to_string(++secrets) : words[random() % words.size()];
        }
        if (random() % 3 > 0) made.enabled = random() % 2 == 0;
        const int children = depth < 5 ? static_cast<int>(random() % 6) : 0;
        for (int child = 0; child < children; ++child) {
            FakeElement grown = self(self, depth + 1);
            // Words under a password field must not be read either.
            if (secure) grown.strings["AXTitle"] = "SECRET" + std::to_string(++secrets);
            made.children.push_back(std::move(grown));
        }
        return made;
    };
    const std::regex line(R"( *\[(-?\d+)\.(\d+)\] .*)");
    for (int round = 0; round < 300; ++round) {
        const FakeElement window = grow(grow, 0);
        FakeSource source;
        const auto kept = AXWalk::buildKeeping<Element>(source, &window, static_cast<int>(random() % 8),
                                                        static_cast<int>(random() % 300));
        const std::size_t budget = random() % 3 == 0 ? AXSnapshot::budget : random() % 2000;
        const std::int64_t generation = static_cast<std::int64_t>(random() % 100000) - 50;
        const AXSnapshot snapshot = AXSnapshot::serialize(kept.tree, "App", generation, budget);

        ASSERT_LE(Text::utf16Length(snapshot.text), budget);
        const std::vector<std::string> lines = linesOf(snapshot.text);
        ASSERT_EQ(snapshot.elementCount, lines.size());
        for (std::size_t index = 0; index < lines.size(); ++index) {
            std::smatch parts;
            ASSERT_TRUE(std::regex_match(lines[index], parts, line)) << lines[index];
            for (const char* lineBreak : {"\r", "\v", "\f", "\x1E", "\xC2\x85", "\xE2\x80\xA8", "\xE2\x80\xA9"}) {
                EXPECT_EQ(lines[index].find(lineBreak), std::string::npos) << lines[index];
            }
            EXPECT_EQ(parts[1].str(), std::to_string(generation));
            EXPECT_EQ(parts[2].str(), std::to_string(index + 1));
        }
        EXPECT_EQ(snapshot.text.find("SECRET"), std::string::npos);
        ASSERT_LE(snapshot.elements.size(), MacElementInfo::limit);
        ASSERT_EQ(snapshot.elementRefs.size(), snapshot.elements.size());
        for (const MacElementInfo& info : snapshot.elements) {
            ASSERT_TRUE(snapshot.elementRefs.contains(info.id));
            const std::optional<std::int64_t> number = AXSnapshot::resolve(info.id, generation);
            ASSERT_TRUE(number) << info.id;
            EXPECT_TRUE(lines.at(static_cast<std::size_t>(*number - 1)).find("[" + info.id + "] " + info.role) !=
                        std::string::npos);
            const std::size_t ref = snapshot.elementRefs.at(info.id);
            ASSERT_LT(ref, kept.elements.size());
            EXPECT_EQ(kept.elements[ref]->strings.at("AXRole"), info.role);
        }
    }
}
