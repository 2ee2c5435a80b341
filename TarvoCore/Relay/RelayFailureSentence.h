#pragma once

#include <exception>
#include <string>

namespace tarvo {

// The words for an error that ended a relay job: the sentence on the user's card, the shorter
// cause used inside other sentences, and a word or two for the log.
class RelayFailureSentence {
public:
    RelayFailureSentence() = delete;

    static std::string card(const std::exception_ptr& error);
    static std::string cause(const std::exception_ptr& error);
    static std::string diagnostic(const std::exception_ptr& error);
};

} // namespace tarvo
