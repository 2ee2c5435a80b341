#include "TarvoCore/Operator/FileRefTable.h"

#include <algorithm>

#include "TarvoBase/Base64.h"
#include "TarvoBase/HmacSha256.h"

namespace tarvo {
namespace {

constexpr std::size_t refCharacters = 32;

} // namespace

FileRefTable::FileRefTable(std::span<const std::uint8_t> key) : key_(key.begin(), key.end()) {}

std::string FileRefTable::mint(const std::string& runId, const Entry& entry) {
    const HmacSha256::Mac mac = HmacSha256::of(key_, runId + "\n" + entry.path);
    const std::string ref = "f_" + Base64::encodeUrl(mac).substr(0, refCharacters);

    std::lock_guard lock(mutex_);
    const auto run = std::ranges::find(runs_, runId, &decltype(runs_)::value_type::first);
    if (run != runs_.end()) {
        run->second.insert_or_assign(ref, entry);
        return ref;
    }
    while (runs_.size() >= runsKept) runs_.pop_front();
    runs_.emplace_back(runId, std::map<std::string, Entry>{{ref, entry}});
    return ref;
}

std::optional<FileRefTable::Entry> FileRefTable::resolve(const std::string& runId, const std::string& ref) const {
    std::lock_guard lock(mutex_);
    const auto run = std::ranges::find(runs_, runId, &decltype(runs_)::value_type::first);
    if (run == runs_.end()) return std::nullopt;
    const auto found = run->second.find(ref);
    if (found == run->second.end()) return std::nullopt;
    return found->second;
}

} // namespace tarvo
