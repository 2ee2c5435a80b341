#pragma once

#include <exception>
#include <string>
#include <string_view>

namespace tarvo {

// Thrown by a port that can say, in a sentence for the user, why it cannot do what was asked; the
// sentence reaches the service unchanged.
class OperatorPortFailure : public std::exception {
public:
    explicit OperatorPortFailure(std::string sentence) : sentence(std::move(sentence)) {}

    // The failure's own sentence when `error` is one, else `otherwise`.
    static std::string sentenceOf(const std::exception_ptr& error, std::string_view otherwise) {
        try {
            std::rethrow_exception(error);
        } catch (const OperatorPortFailure& failure) {
            return failure.sentence;
        } catch (...) {
            return std::string(otherwise);
        }
    }

    const std::string& description() const { return sentence; }
    const char* what() const noexcept override { return sentence.c_str(); }

    bool operator==(const OperatorPortFailure& other) const { return sentence == other.sentence; }

    std::string sentence;
};

} // namespace tarvo
