#pragma once

#include <string>
#include <utility>
#include <variant>

namespace tarvo {

// A reading that needs optional columns of the Messages database: what was observed, or why
// this database cannot show it.
template <class T>
class Readout {
public:
    static Readout observed(T value) { return Readout(std::move(value)); }
    static Readout unobservable(std::string reason) { return Readout(Unobservable{std::move(reason)}); }

    bool isObserved() const { return std::holds_alternative<T>(state_); }
    // Only for an observed reading.
    const T& value() const { return std::get<T>(state_); }
    // Only for an unobservable reading.
    const std::string& reason() const { return std::get<Unobservable>(state_).reason; }

    bool operator==(const Readout&) const = default;

private:
    struct Unobservable {
        std::string reason;
        bool operator==(const Unobservable&) const = default;
    };

    explicit Readout(T value) : state_(std::move(value)) {}
    explicit Readout(Unobservable missing) : state_(std::move(missing)) {}

    std::variant<T, Unobservable> state_;
};

} // namespace tarvo
