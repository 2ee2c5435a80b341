#pragma once

#include <cstdint>
#include <string>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

namespace tarvo {

// What the Messages database shows about one relayed send.
class RelaySendVerdict {
public:
    // At least one row of the conversation is marked Not Delivered.
    struct Refused {
        std::vector<std::int64_t> codes; // ascending, each once
        int failedParts = 0;
        int parts = 0;
        bool operator==(const Refused&) const = default;
    };
    // Fewer rows than expected so far, or some not yet marked sent.
    struct NotYetSettled {
        int seen = 0;
        int expected = 0;
        bool operator==(const NotYetSettled&) const = default;
    };
    // No row of the conversation at all.
    struct NeverWritten {
        int expected = 0;
        bool operator==(const NeverWritten&) const = default;
    };
    // The database could not be read, or cannot show delivery.
    struct Unobservable {
        std::string reason;
        bool operator==(const Unobservable&) const = default;
    };
    // The expected rows, all sent, none refused.
    struct Delivered {
        bool operator==(const Delivered&) const = default;
    };

    using Case = std::variant<Refused, NotYetSettled, NeverWritten, Unobservable, Delivered>;

    // Any one of the cases above.
    template <class C>
        requires std::is_constructible_v<Case, C>
    RelaySendVerdict(C verdict) : case_(std::move(verdict)) {}

    const Case& value() const { return case_; }
    template <class C>
    bool is() const {
        return std::holds_alternative<C>(case_);
    }
    // Only for the verdict's own case.
    template <class C>
    const C& as() const {
        return std::get<C>(case_);
    }

    bool operator==(const RelaySendVerdict&) const = default;

private:
    Case case_;
};

} // namespace tarvo
