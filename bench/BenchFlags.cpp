#include "BenchFlags.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <utility>

namespace tarvo::bench {
namespace {

std::optional<int> wholeNumber(const std::string& text) {
    int value = 0;
    const auto [end, failed] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || failed != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

} // namespace

BenchFlags::BenchFlags(int argc, char** argv, std::string usage, std::map<std::string, std::optional<std::string>> known)
    : program_(argc > 0 ? std::filesystem::path(argv[0]).filename().string() : "bench"), usage_(std::move(usage)),
      values_(std::move(known)) {
    for (int i = 1; i < argc; i += 2) {
        const std::string flag = argv[i];
        const auto found = values_.find(flag);
        if (found == values_.end()) refuse("no flag " + flag);
        if (i + 1 >= argc) refuse(flag + " needs a value");
        found->second = argv[i + 1];
    }
}

bool BenchFlags::has(const std::string& name) const {
    const auto found = values_.find(name);
    return found != values_.end() && found->second.has_value();
}

std::string BenchFlags::text(const std::string& name) const {
    if (!has(name)) refuse(name + " is needed");
    return *values_.at(name);
}

int BenchFlags::count(const std::string& name, int least) const {
    const std::string given = text(name);
    const std::optional<int> value = wholeNumber(given);
    if (!value || *value < least) {
        refuse(name + " takes a whole number of at least " + std::to_string(least) + ", not \"" + given + "\"");
    }
    return *value;
}

std::vector<int> BenchFlags::counts(const std::string& name) const {
    const std::string given = text(name);
    std::vector<int> values;
    std::istringstream parts(given);
    for (std::string part; std::getline(parts, part, ',');) {
        const std::optional<int> value = wholeNumber(part);
        if (!value || *value < 1) refuse(name + " takes whole numbers of at least 1 apart by commas, not \"" + given + "\"");
        values.push_back(*value);
    }
    if (values.empty() || given.back() == ',') {
        refuse(name + " takes whole numbers of at least 1 apart by commas, not \"" + given + "\"");
    }
    return values;
}

double BenchFlags::number(const std::string& name) const {
    const std::string given = text(name);
    double value = 0;
    const auto [end, failed] = std::from_chars(given.data(), given.data() + given.size(), value);
    if (given.empty() || failed != std::errc() || end != given.data() + given.size() || !std::isfinite(value) ||
        value < 0) {
        refuse(name + " takes a number of at least 0, not \"" + given + "\"");
    }
    return value;
}

void BenchFlags::refuse(const std::string& problem) const {
    std::fprintf(stderr, "%s: %s\nusage: %s\n", program_.c_str(), problem.c_str(), usage_.c_str());
    std::exit(2);
}

} // namespace tarvo::bench
