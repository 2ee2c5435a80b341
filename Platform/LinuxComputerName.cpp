#include "Platform/LinuxComputerName.h"

#include <climits>
#include <fstream>

#include <unistd.h>

namespace tarvo {
namespace {

// machine-info values follow shell quoting: unquoted, or in single or double quotes with
// backslash escapes inside double quotes.
std::string unquoted(const std::string& value) {
    if (value.size() < 2) return value;
    const char quote = value.front();
    if ((quote != '"' && quote != '\'') || value.back() != quote) return value;
    std::string text;
    for (std::size_t i = 1; i + 1 < value.size(); ++i) {
        if (quote == '"' && value[i] == '\\' && i + 2 < value.size()) ++i;
        text.push_back(value[i]);
    }
    return text;
}

} // namespace

LinuxComputerName::LinuxComputerName(std::string machineInfoPath) : machineInfoPath_(std::move(machineInfoPath)) {}

std::optional<std::string> LinuxComputerName::current() const {
    if (auto pretty = prettyName()) return pretty;
    return hostName();
}

std::optional<std::string> LinuxComputerName::prettyName() const {
    std::ifstream file(machineInfoPath_);
    const std::string key = "PRETTY_HOSTNAME=";
    for (std::string line; std::getline(file, line);) {
        if (line.rfind(key, 0) != 0) continue;
        auto name = unquoted(line.substr(key.size()));
        // An empty pretty name means none was set; the host name stands in.
        if (!name.empty()) return name;
        return std::nullopt;
    }
    return std::nullopt;
}

std::optional<std::string> LinuxComputerName::hostName() {
    char name[HOST_NAME_MAX + 1] = {};
    if (gethostname(name, sizeof name - 1) != 0) return std::nullopt;
    return std::string(name);
}

} // namespace tarvo
