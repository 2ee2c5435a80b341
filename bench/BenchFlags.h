#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace tarvo::bench {

// A bench's flags, each "--name value". A flag the bench does not know, one without its value or
// a value that is not what the flag takes ends the bench at once (exit 2) with what is wrong and
// the usage, before anything is measured.
class BenchFlags {
public:
    // `known` names every flag with its default, or none for one that has no default.
    BenchFlags(int argc, char** argv, std::string usage, std::map<std::string, std::optional<std::string>> known);

    bool has(const std::string& name) const;
    std::string text(const std::string& name) const;
    // A whole number, at least `least`.
    int count(const std::string& name, int least = 0) const;
    // Comma-separated whole numbers, each at least 1.
    std::vector<int> counts(const std::string& name) const;
    // A finite number, not negative.
    double number(const std::string& name) const;

private:
    [[noreturn]] void refuse(const std::string& problem) const;

    std::string program_;
    std::string usage_;
    std::map<std::string, std::optional<std::string>> values_;
};

} // namespace tarvo::bench
