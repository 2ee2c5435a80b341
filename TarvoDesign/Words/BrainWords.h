#pragma once

#include <array>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tarvo {

// The product's shared words for the assistant's conversation screens and for operating the
// computer, the same on every client. A sentence that depends on values carries placeholders,
// names in braces ("{name}", "{n}"), which `fill` puts the values into. Of a plural pair, the
// key ending "One" is the singular wording and the one ending "Many" the plural.
struct BrainWords {
#define TARVO_BRAIN_WORD(key, text) static constexpr std::string_view key = text;
#define TARVO_BRAIN_TABLE(key)
#include "TarvoDesign/Words/BrainWordsTable.inc"
#undef TARVO_BRAIN_TABLE
#undef TARVO_BRAIN_WORD

    // Narrowest first.
    static constexpr std::array<std::string_view, 3> macPermissionModes{"ask", "auto_read", "auto"};
    static constexpr std::array<std::string_view, 3> macLiveRunStates{"running", "paused", "waiting_press"};
    // The lowest companion build that can take look steps.
    static constexpr int macLookMinBuild = 98;
    // How long a computer's report stays fresh: two minutes.
    static constexpr int macReportFreshMs = 120000;
    static constexpr std::array<std::string_view, 3> proactivityOrder{"important", "everything", "off"};
    static constexpr std::array<std::string_view, 7> briefSections{
        "events", "follow_ups", "people_waiting", "tasks", "goals", "overnight", "usage"};

    using Table = std::map<std::string_view, std::string_view, std::less<>>;
    static const Table& proactivityLines();
    static const Table& briefSectionLines();
    // Surface id to its display name.
    static const Table& viaNames();
    // What "{app}" says by step kind when a step names no application.
    static const Table& macStepAppDefault();
    // Step kind to phase ("done", "going", "refused", "tried") to sentence.
    static const std::map<std::string_view, Table, std::less<>>& macStepWords();

    // Every key, sentences and tables alike, in declaration order.
    static const std::vector<std::string_view>& keys();
    // The sentences and labels by key, in declaration order.
    static const std::vector<std::pair<std::string_view, std::string_view>>& sentences();

    // The sentence with each placeholder whose name `values` holds replaced by its value. A name
    // is valid when it is not empty and made only of letters, numbers and "_"; an invalid or
    // unknown placeholder stays as it is, braces included, and so does everything from a "{"
    // that no "}" closes. A value goes in as it is and is never read for placeholders itself.
    static std::string fill(std::string_view sentence, const std::map<std::string, std::string>& values);
};

} // namespace tarvo
