#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "TarvoCore/Companion/CompanionState.h"

namespace tarvo {

// Holds one process activity while the user is signed in, so that the system neither naps
// nor ends the companion while its timers matter. The platform's begin and end are handed in;
// where the system has no such activities they default to doing nothing. Going away ends a held
// activity; an end that throws is logged there, never let out.
class AppNapHold {
public:
    using Token = std::shared_ptr<const void>;
    using Begin = std::function<Token(std::uint64_t options, const std::string& reason)>;
    using End = std::function<void(const Token& token)>;

    // User-initiated work that still allows idle system sleep.
    static constexpr std::uint64_t options = 0xEFFFFF;
    static constexpr const char* reason = "Tarvo reads and relays your messages as they arrive";

    explicit AppNapHold(Begin begin = nothingToBegin, End end = nothingToEnd);
    ~AppNapHold();

    AppNapHold(const AppNapHold&) = delete;
    AppNapHold& operator=(const AppNapHold&) = delete;

    static bool wanted(const CompanionState& state) { return state.signIn.isSignedIn(); }

    bool isHeld() const { return activity_.has_value(); }
    void hold(bool on);

private:
    static Token nothingToBegin(std::uint64_t options, const std::string& reason);
    static void nothingToEnd(const Token& token);

    Begin begin_;
    End end_;
    std::optional<Token> activity_;
};

} // namespace tarvo
