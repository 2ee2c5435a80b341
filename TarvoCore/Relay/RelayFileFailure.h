#pragma once

#include <exception>
#include <string>

#include "TarvoCore/Relay/CardSentenceCarrying.h"

namespace tarvo {

// An attachment of a relay job that could not be fetched or staged; nothing of the job was sent.
class RelayFileFailure : public std::exception, public CardSentenceCarrying {
public:
    // `index` counts from 1; `detail` is the cause sentence of the underlying error.
    RelayFileFailure(int index, int total, std::string detail);

    int index() const { return index_; }
    int total() const { return total_; }
    const std::string& detail() const { return detail_; }

    const std::string& description() const { return sentence_; }
    std::string card() const override { return sentence_; }
    const char* what() const noexcept override { return sentence_.c_str(); }

private:
    int index_;
    int total_;
    std::string detail_;
    std::string sentence_;
};

} // namespace tarvo
