#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "TarvoCore/Operator/ActPolicy.h"
#include "TarvoCore/Operator/ActTarget.h"
#include "TarvoCore/Operator/MacKeyCodes.h"
#include "TarvoCore/Operator/OperatorStepRequest.h"

using tarvo::ActPolicy;
using tarvo::ActTarget;
using tarvo::MacKeyCodes;
using tarvo::RunningApp;
using Step = tarvo::OperatorStepRequest;

namespace {

ActTarget button(std::optional<std::string> title, std::optional<std::string> label = std::nullopt) {
    return ActTarget{"AXButton", std::nullopt, std::move(title), std::move(label), std::nullopt, std::nullopt, true};
}

ActTarget inDialog(std::string title, std::optional<std::string> dialogText,
                   std::optional<std::string> windowTitle = std::nullopt) {
    ActTarget target = button(std::move(title));
    target.dialogText = std::move(dialogText);
    target.windowTitle = std::move(windowTitle);
    return target;
}

ActTarget field(std::string role) {
    return ActTarget{std::move(role), std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt, true};
}

const std::string escape = "\x1B";
const std::string textEdit = "com.apple.TextEdit";
const std::string safari = "com.apple.Safari";

} // namespace

TEST(ActPolicy, HoldsTheActsThatCouldSendBuyDeleteOrConfirm) {
    struct Case {
        const char* why;
        Step::Value step;
        std::optional<ActTarget> target;
        std::optional<std::string> frontBundleId;
        std::optional<std::string> question;
    };
    const std::vector<Case> cases{
        // Command with a key that sends, deletes or duplicates holds everywhere.
        {"command-d in Notes", Step::Key{"Notes", "d", {"shift", "command"}}, {}, {}, "Press Shift-Command-D in Notes."},
        {"command-return in Notes", Step::Key{"Notes", "return", {"command"}}, {}, {}, "Press Command-Return in Notes."},
        {"command-c", Step::Key{"Safari", "c", {"command"}}, {}, safari, std::nullopt},
        // Return and Enter outside the Return-safe apps.
        {"return in Safari", Step::Key{"Safari", "return", {}}, {}, safari, "Press Return in Safari."},
        {"enter, front id outside the table", Step::Key{"Editor", "enter", {}}, {}, "com.example.editor",
         "Press Enter in Editor."},
        {"return in Notes", Step::Key{"Notes", "return", {}}, {}, {}, std::nullopt},
        {"return in NOTES with spaces", Step::Key{"  nOTES\t", "return", {}}, {}, {}, std::nullopt},
        {"return, safe by front id", Step::Key{"Editor", "return", {}}, {}, textEdit, std::nullopt},
        {"return, front id with a space", Step::Key{"Editor", "return", {}}, {}, " com.apple.notes",
         "Press Return in Editor."},
        {"return, name with a line break", Step::Key{"Notes\n", "return", {}}, {}, {}, "Press Return in Notes\n."},
        // Delete keys hold everywhere.
        {"delete in Notes", Step::Key{"Notes", "delete", {}}, {}, {}, "Press Delete in Notes."},
        {"forward delete", Step::Key{"Safari", "forward_delete", {"shift"}}, {}, safari,
         "Press Shift-Forward Delete in Safari."},
        {"home", Step::Key{"Safari", "home", {}}, {}, safari, std::nullopt},
        // Space, a letter or a digit outside the Return-safe apps.
        {"space with command", Step::Key{"Safari", "space", {"command"}}, {}, safari, "Press Command-Space in Safari."},
        {"c alone", Step::Key{"Safari", "c", {}}, {}, safari, "Press C in Safari."},
        {"7 with option", Step::Key{"Safari", "7", {"option"}}, {}, safari, "Press Option-7 in Safari."},
        {"space in Notes", Step::Key{"Notes", "space", {"command"}}, {}, {}, std::nullopt},
        {"c in Notes", Step::Key{"Notes", "c", {}}, {}, {}, std::nullopt},
        // Every other key.
        {"escape", Step::Key{"Safari", "escape", {}}, {}, safari, std::nullopt},
        {"tab", Step::Key{"Safari", "tab", {"shift"}}, {}, safari, std::nullopt},
        {"page down", Step::Key{"Safari", "page_down", {"control", "option"}}, {}, safari, std::nullopt},
        {"a with command and shift", Step::Key{"Safari", "a", {"command", "shift"}}, {}, safari, std::nullopt},

        {"Send Now", Step::PressElement{"Mail", "4.2"}, button("Send Now"), {}, "Press “Send Now” in Mail."},
        {"Sent items: the word sent", Step::PressElement{"Mail", "4.2"}, button("Sent items"), {},
         "Press “Sent items” in Mail."},
        {"Sender: no word boundary", Step::PressElement{"Mail", "4.2"}, button("Sender"), {}, std::nullopt},
        {"upper-case CHECK OUT", Step::PressElement{"Shop", "4.2"}, button("CHECK OUT"), {}, "Press “CHECK OUT” in Shop."},
        {"by its label, trimmed", Step::PressElement{"Mail", "4.2"}, button(" ", "\tDelete message\n"), {},
         "Press “Delete message” in Mail."},
        {"OK asking to delete", Step::PressElement{"Mail", "4.2"},
         inDialog("OK", "Do you want to delete this message?"), {}, "Press “OK” in Mail."},
        {"OK after a deletion", Step::PressElement{"Mail", "4.2"}, inDialog("OK", "The message was deleted."), {},
         std::nullopt},
        {"OK about a font", Step::PressElement{"Mail", "4.2"}, inDialog("OK", "Choose a font."), {}, std::nullopt},
        {"i agree in a window to subscribe", Step::PressElement{"Safari", "4.2"},
         inDialog(" I Agree ", "Terms", "Subscribe to News"), {}, "Press “I Agree” in Safari."},
        {"Archive", Step::PressElement{"Mail", "4.2"}, button("Archive"), {}, std::nullopt},
        {"a control with no name", Step::PressElement{"Mail", "4.2"}, button(std::nullopt), {},
         "Press a control with no name in Mail."},
        {"a title of blanks", Step::PressElement{"Mail", "4.2"}, button(" \n "), {}, "Press a control with no name in Mail."},
        {"no target", Step::PressElement{"Mail", "4.2"}, {}, {}, std::nullopt},

        {"an escape inside", Step::TypeText{"Safari", std::nullopt, "ab" + escape + "cd"}, {}, safari,
         "Type “ab cd” in Safari, with a key inside it."},
        {"a key inside, even in TextEdit", Step::TypeText{"TextEdit", std::nullopt, "x\x7Fy"}, {}, textEdit,
         "Type “x y” in TextEdit, with a key inside it."},
        {"a function key", Step::TypeText{"Safari", std::nullopt, "go\xEF\x9C\x80"}, {}, safari,
         "Type “go” in Safari, with a key inside it."},
        {"a line feed in TextEdit", Step::TypeText{"TextEdit", std::nullopt, "one\ntwo"}, {}, textEdit, std::nullopt},
        {"a line feed in Safari", Step::TypeText{"Safari", std::nullopt, "one\ntwo"}, {}, safari,
         "Type “one two” in Safari and press Return."},
        {"U+0085 starts a line", Step::TypeText{"Safari", "4.1", "one\xC2\x85two"}, field("AXTextField"), safari,
         "Type “one two” in Safari and press Return."},
        {"a tab in TextEdit", Step::TypeText{"TextEdit", std::nullopt, "a\tb"}, {}, textEdit, std::nullopt},
        {"a tab", Step::TypeText{"Safari", "4.1", "a\tb"}, field("AXTextField"), safari,
         "Type “a b” in Safari, with Tab between."},
        {"wherever the focus is", Step::TypeText{"Safari", std::nullopt, "hello"}, {}, safari,
         "Type “hello” in Safari, wherever the focus is."},
        {"into a field", Step::TypeText{"Safari", "4.1", "hello"}, field("AXTextField"), safari, std::nullopt},
        {"into a button with no name", Step::TypeText{"Safari", "4.1", "hello"}, button(std::nullopt), safari,
         "Type “hello” into a control in Safari, which is not a field."},
        {"into a named link", Step::TypeText{"Safari", "4.1", "hello"},
         ActTarget{"AXLink", {}, " Home ", {}, {}, {}, {}}, safari, "Type “hello” into “Home” in Safari, which is not a field."},
        {"an element without a role", Step::TypeText{"Safari", "4.1", "hello"}, ActTarget{}, safari, std::nullopt},
        {"an element without a target", Step::TypeText{"Safari", "4.1", "hello"}, {}, safari, std::nullopt},

        {"scroll", Step::Scroll{"Safari", "down", 3}, {}, safari, std::nullopt},
        {"open app", Step::OpenApp{"Mail"}, button("Send"), {}, std::nullopt},
        {"look", Step::Look{std::nullopt}, button("Send"), {}, std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ActPolicy::hold(Step(c.step), c.target, c.frontBundleId), c.question) << c.why;
    }
}

TEST(ActPolicy, SpeaksKeysWithModifiersInAFixedOrder) {
    EXPECT_EQ(ActPolicy::keyWords("return", {}), "Return");
    EXPECT_EQ(ActPolicy::keyWords("d", {"command", "shift", "command"}), "Shift-Command-D");
    EXPECT_EQ(ActPolicy::keyWords("page_down", {"option", "control"}), "Control-Option-Page Down");
    EXPECT_EQ(ActPolicy::keyWords("4", {"fn"}), "4");
    for (const auto& [key, spoken] : ActPolicy::spokenKeys) {
        EXPECT_NE(std::ranges::find(Step::namedKeys, key), Step::namedKeys.end()) << key;
    }
    EXPECT_EQ(ActPolicy::spokenKeys.size(), Step::namedKeys.size());
}

TEST(ActPolicy, QuotesOnOneLineAndCutsAtEightyCharacters) {
    const std::string flag = "\xF0\x9F\x87\xAB\xF0\x9F\x87\xB7";
    std::string flags80;
    for (int i = 0; i < 80; ++i) flags80 += flag;
    EXPECT_EQ(ActPolicy::quote(std::string(100, 'a')), "“" + std::string(80, 'a') + "…”");
    EXPECT_EQ(ActPolicy::quote(std::string(80, 'a')), "“" + std::string(80, 'a') + "”");
    EXPECT_EQ(ActPolicy::quote(flags80), "“" + flags80 + "”");
    EXPECT_EQ(ActPolicy::quote(flags80 + flag), "“" + flags80 + "…”");
    EXPECT_EQ(ActPolicy::quote("  a \t\t b\r\n\xE2\x80\xA8 c  "), "“a b c”");
    EXPECT_EQ(ActPolicy::quote(""), "“”");
}

TEST(ActPolicy, FindsTheFrontAppByNameOrBundleId) {
    const RunningApp front{"Safari", "com.apple.Safari", 40, true, false, {}};
    EXPECT_TRUE(ActPolicy::isFront(" safari\t", front));
    EXPECT_TRUE(ActPolicy::isFront("COM.APPLE.SAFARI", front));
    EXPECT_FALSE(ActPolicy::isFront("Safari\n", front));
    EXPECT_FALSE(ActPolicy::isFront("Saf", front));
    EXPECT_FALSE(ActPolicy::isFront("Safari", std::nullopt));
    EXPECT_FALSE(ActPolicy::isFront("", RunningApp{"Finder", std::nullopt, 1, true, false, {}}));
}

TEST(ActPolicy, TellsTextThatStartsALineFromTextThatCarriesAKey) {
    for (const char* text : {"a\nb", "a\rb", "a\xC2\x85" "b", "a\xE2\x80\xA8" "b", "a\xE2\x80\xA9" "b"}) {
        EXPECT_TRUE(ActPolicy::startsALine(text)) << text;
        EXPECT_FALSE(ActPolicy::carriesAKey(text)) << text;
    }
    for (const char* text : {"\x01", "\x08", "\x0B", "\x0C", "\x1F", "\x7F", "\xC2\x84", "\xC2\x86", "\xC2\x9F",
                             "\xEF\x9C\x80", "\xEF\xA3\xBF"}) {
        EXPECT_TRUE(ActPolicy::carriesAKey(text)) << text;
    }
    EXPECT_TRUE(ActPolicy::carriesAKey(std::string("a\0b", 3)));
    for (const char* text : {"a\tb", "plain", "\xC2\xA0", "\xEF\x9B\xBF", "\xEF\xA4\x80"}) {
        EXPECT_FALSE(ActPolicy::carriesAKey(text)) << text;
        EXPECT_FALSE(ActPolicy::startsALine(text)) << text;
    }
    EXPECT_FALSE(ActPolicy::isConsequential(std::nullopt));
    EXPECT_FALSE(ActPolicy::isConsequential(""));
    EXPECT_TRUE(ActPolicy::isConsequential("please Place Order now"));
    EXPECT_FALSE(ActPolicy::isConsequential("orders"));
}

TEST(ActPolicy, NamesATargetAndKnowsAPasswordField) {
    EXPECT_EQ(button(" Send ").name(), "Send");
    EXPECT_EQ(button("", "Close").name(), "Close");
    EXPECT_EQ(button(std::nullopt).name(), "AXButton");
    EXPECT_EQ(ActTarget{}.name(), "control");
    EXPECT_EQ(ActPolicy::spokenName(button(std::nullopt)), std::nullopt);

    EXPECT_TRUE(field("AXSecureTextField").isSecure());
    ActTarget bySubrole = field("AXTextField");
    bySubrole.subrole = "AXSecureTextField";
    EXPECT_TRUE(bySubrole.isSecure());
    EXPECT_FALSE(field("axsecuretextfield").isSecure());
    EXPECT_FALSE(ActTarget{}.isSecure());

    EXPECT_EQ(ActPolicy::notInFrontSentence("Mail"), "Mail is not in front any more, so nothing was done.");
    EXPECT_EQ(ActPolicy::staleControlSentence("Mail"),
              "That control is from an older read of Mail, so nothing was pressed. Read it again first.");
}

TEST(MacKeyCodes, GivesCodesAndFlagsOfTheNamedKeys) {
    EXPECT_EQ(MacKeyCodes::code("return"), 36);
    EXPECT_EQ(MacKeyCodes::code("a"), 0);
    EXPECT_EQ(MacKeyCodes::code("page_down"), 121);
    EXPECT_EQ(MacKeyCodes::code("A"), std::nullopt);
    EXPECT_EQ(MacKeyCodes::code("f5"), std::nullopt);
    // Every key a step may name has a code.
    for (const std::string_view key : Step::namedKeys) EXPECT_TRUE(MacKeyCodes::code(key)) << key;
    for (char c = 'a'; c <= 'z'; ++c) EXPECT_TRUE(MacKeyCodes::code(std::string(1, c))) << c;
    for (char c = '0'; c <= '9'; ++c) EXPECT_TRUE(MacKeyCodes::code(std::string(1, c))) << c;

    EXPECT_EQ(MacKeyCodes::flags({"command", "shift"}), 0x120000u);
    EXPECT_EQ(MacKeyCodes::flags({"control", "option", "fn"}), 0xC0000u);
    EXPECT_EQ(MacKeyCodes::flags({}), 0u);

    EXPECT_TRUE(MacKeyCodes::isStopKeys(47, {"control", "option", "command", "shift"}));
    EXPECT_TRUE(MacKeyCodes::isStopKeys(47, {"command", "option", "control"}));
    EXPECT_FALSE(MacKeyCodes::isStopKeys(47, {"control", "command"}));
    EXPECT_FALSE(MacKeyCodes::isStopKeys(43, {"control", "option", "command"}));
}
