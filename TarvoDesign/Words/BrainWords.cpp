#include "TarvoDesign/Words/BrainWords.h"

#include "TarvoBase/Text.h"

namespace tarvo {
namespace {

constexpr std::string_view keyName(std::string_view identifier) {
    return identifier.ends_with('_') ? identifier.substr(0, identifier.size() - 1) : identifier;
}

bool isPlaceholderName(std::string_view name) {
    return !name.empty() && Text::letterOrNumberPrefixLength(name, "_") == name.size();
}

} // namespace

const BrainWords::Table& BrainWords::proactivityLines() {
    static const Table table{
        {"off", "Only your own reminders"},
        {"important", "Only what matters"},
        {"everything", "Everything, including each new message"},
    };
    return table;
}

const BrainWords::Table& BrainWords::briefSectionLines() {
    static const Table table{
        {"events", "Today\u2019s events"},
        {"follow_ups", "Follow-ups"},
        {"people_waiting", "People waiting for you"},
        {"tasks", "Your tasks and reminders"},
        {"goals", "Goals"},
        {"overnight", "What came in overnight"},
        {"usage", "Usage"},
    };
    return table;
}

const BrainWords::Table& BrainWords::viaNames() {
    static const Table table{
        {"web", "the web"},       {"mac", "the Mac app"},  {"ios", "iPhone"},     {"android", "Android"},
        {"extension", "Chrome"}, {"safari", "Safari"},    {"keyring", "Keyring"}, {"glasses", "Glasses"},
    };
    return table;
}

const BrainWords::Table& BrainWords::macStepAppDefault() {
    static const Table table{
        {"look", "the screen"},
        {"read_screen_text", "the front app"},
    };
    return table;
}

const std::map<std::string_view, BrainWords::Table, std::less<>>& BrainWords::macStepWords() {
    static const std::map<std::string_view, Table, std::less<>> table{
        {"list_apps",
         {{"done", "Listed the open apps and windows."},
          {"going", "Listing the open apps and windows\u2026"},
          {"refused", "Did not list the open apps."},
          {"tried", "Tried to list the open apps."}}},
        {"look",
         {{"done", "Looked at {app}."},
          {"going", "Looking at {app}\u2026"},
          {"refused", "Did not look at {app}."},
          {"tried", "Tried to look at {app}."}}},
        {"read_screen_text",
         {{"done", "Read the text in {app}."},
          {"going", "Reading the text in {app}\u2026"},
          {"refused", "Did not read the text in {app}."},
          {"tried", "Tried to read the text in {app}."}}},
        {"list_files",
         {{"done", "Searched your files."},
          {"going", "Searching your files\u2026"},
          {"refused", "Did not search your files."},
          {"tried", "Tried to search your files."}}},
        {"read_file",
         {{"done", "Read {file}."},
          {"going", "Reading {file}\u2026"},
          {"refused", "Did not read {file}."},
          {"tried", "Tried to read {file}."}}},
        {"send_file",
         {{"done", "Brought back {file}."},
          {"going", "Bringing back {file}\u2026"},
          {"refused", "Did not bring back {file}."},
          {"tried", "Tried to bring back {file}."}}},
        {"open_app",
         {{"done", "Opened {app}."},
          {"going", "Opening {app}\u2026"},
          {"refused", "Did not open {app}."},
          {"tried", "Tried to open {app}."}}},
        {"press_element",
         {{"done", "Pressed a button in {app}."},
          {"going", "Pressing a button in {app}\u2026"},
          {"refused", "Did not press the button in {app}."},
          {"tried", "Tried to press a button in {app}."}}},
        {"type_text",
         {{"done", "Typed in {app}."},
          {"going", "Typing in {app}\u2026"},
          {"refused", "Did not type in {app}."},
          {"tried", "Tried to type in {app}."}}},
        {"key",
         {{"done", "Pressed a key in {app}."},
          {"going", "Pressing a key in {app}\u2026"},
          {"refused", "Did not press the key in {app}."},
          {"tried", "Tried to press a key in {app}."}}},
        {"scroll",
         {{"done", "Scrolled in {app}."},
          {"going", "Scrolling in {app}\u2026"},
          {"refused", "Did not scroll in {app}."},
          {"tried", "Tried to scroll in {app}."}}},
    };
    return table;
}

const std::vector<std::string_view>& BrainWords::keys() {
    static const std::vector<std::string_view> all{
#define TARVO_BRAIN_WORD(key, text) keyName(#key),
#define TARVO_BRAIN_TABLE(key) keyName(#key),
#include "TarvoDesign/Words/BrainWordsTable.inc"
#undef TARVO_BRAIN_TABLE
#undef TARVO_BRAIN_WORD
    };
    return all;
}

const std::vector<std::pair<std::string_view, std::string_view>>& BrainWords::sentences() {
    static const std::vector<std::pair<std::string_view, std::string_view>> all{
#define TARVO_BRAIN_WORD(key, text) {keyName(#key), BrainWords::key},
#define TARVO_BRAIN_TABLE(key)
#include "TarvoDesign/Words/BrainWordsTable.inc"
#undef TARVO_BRAIN_TABLE
#undef TARVO_BRAIN_WORD
    };
    return all;
}

std::string BrainWords::fill(std::string_view sentence, const std::map<std::string, std::string>& values) {
    std::string out;
    out.reserve(sentence.size());
    std::string_view rest = sentence;
    for (;;) {
        const std::size_t open = rest.find('{');
        if (open == std::string_view::npos) break;
        out += rest.substr(0, open);
        const std::size_t close = rest.find('}', open + 1);
        if (close == std::string_view::npos) {
            rest = rest.substr(open);
            break;
        }
        const std::string_view name = rest.substr(open + 1, close - open - 1);
        const auto found = isPlaceholderName(name) ? values.find(std::string(name)) : values.end();
        out += found != values.end() ? std::string_view(found->second) : rest.substr(open, close - open + 1);
        rest = rest.substr(close + 1);
    }
    out += rest;
    return out;
}

} // namespace tarvo
