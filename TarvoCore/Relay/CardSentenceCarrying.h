#pragma once

#include <string>

namespace tarvo {

// An error that knows the sentence to show on the user's card for it. Exception types take it
// beside their own exception base, so that catching std::exception still catches them.
class CardSentenceCarrying {
public:
    virtual ~CardSentenceCarrying() = default;
    virtual std::string card() const = 0;
};

} // namespace tarvo
