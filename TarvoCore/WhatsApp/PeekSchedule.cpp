#include "TarvoCore/WhatsApp/PeekSchedule.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <string_view>
#include <utility>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "TarvoBase/Json.h"
#include "TarvoBase/JsonReadError.h"
#include "TarvoBase/JsonReader.h"

namespace tarvo::WhatsAppWeb {
namespace {

using Date = PeekSchedule::Date;
using Tags = PeekSchedule::Tags;
using TagSet = std::set<std::string>;

// The stored form's keys in the order the encoder writes them.
constexpr std::string_view abandonedKey = "abandoned";
constexpr std::string_view handedKey = "handed";
constexpr std::string_view lastReadKey = "lastRead";
constexpr std::string_view presentKey = "present";
constexpr std::string_view versionKey = "version";
constexpr std::string_view waitingForKey = "waitingFor";
constexpr std::string_view waitingSinceKey = "waitingSince";

// Past this many seconds from 1970 a date no longer fits the clock's type.
constexpr double furthestStoredSeconds = 9.0e9;

double secondsSince1970(Date date) { return PeekSchedule::Seconds(date.time_since_epoch()).count(); }

Date dateOf(double seconds, std::string_view path) {
    if (!std::isfinite(seconds) || std::fabs(seconds) > furthestStoredSeconds) {
        throw JsonReadError(fmt::format("\"{}\" is not a date", path));
    }
    return Date(std::chrono::round<Date::duration>(PeekSchedule::Seconds(seconds)));
}

Tags sorted(const TagSet& tags) { return Tags(tags.begin(), tags.end()); }

TagSet setOf(const std::map<std::string, Tags>& tags, const std::string& key) {
    const auto found = tags.find(key);
    return found == tags.end() ? TagSet{} : TagSet(found->second.begin(), found->second.end());
}

// Keys sorted at every level: the plain JSON type keeps its members in a sorted map.
nlohmann::json encodedDates(const std::map<std::string, Date>& dates) {
    nlohmann::json object = nlohmann::json::object();
    for (const auto& [key, date] : dates) object[key] = secondsSince1970(date);
    return object;
}

nlohmann::json encodedTags(const std::map<std::string, Tags>& tags) {
    nlohmann::json object = nlohmann::json::object();
    for (const auto& [key, list] : tags) object[key] = list;
    return object;
}

// One of the stored maps from chat key to a value, each value read by `read`.
template <class Read>
auto decodedMap(const JsonReader& stored, std::string_view key, Read read) {
    const JsonReader object = stored.object(key);
    std::map<std::string, decltype(read(Json(), std::string()))> map;
    for (const auto& [chat, value] : object.json().items()) map.emplace(chat, read(value, object.memberPath(chat)));
    return map;
}

Date decodedDate(const Json& value, const std::string& path) { return dateOf(JsonReader::asNumber(value, path), path); }

Tags decodedTags(const Json& value, const std::string& path) {
    if (!value.is_array()) throw JsonReadError(fmt::format("\"{}\" is not an array", path));
    Tags tags;
    for (std::size_t index = 0; index < value.size(); ++index) {
        tags.push_back(JsonReader::asString(value[index], JsonReader::elementPath(path, index)));
    }
    return tags;
}

template <class Value>
void keepOnly(std::map<std::string, Value>& map, const auto& keep) {
    std::erase_if(map, [&keep](const auto& entry) { return !keep(entry.first); });
}

} // namespace

PeekSchedule::PeekSchedule(const std::optional<std::string>& stored, std::int64_t version) : version(version) {
    if (!stored) return;
    const auto json = JsonReader::parse(*stored);
    if (!json) return;
    try {
        const JsonReader reader(*json);
        if (reader.int64(versionKey) != version) return;
        auto read = PeekSchedule(version);
        read.lastRead = decodedMap(reader, lastReadKey, decodedDate);
        read.waitingSince = decodedMap(reader, waitingSinceKey, decodedDate);
        read.waitingFor = decodedMap(reader, waitingForKey, decodedTags);
        read.abandoned = decodedMap(reader, abandonedKey, decodedTags);
        read.handed = decodedMap(reader, handedKey, decodedTags);
        read.present = decodedMap(reader, presentKey, decodedDate);
        *this = std::move(read);
    } catch (const JsonReadError&) {
        // A store this version cannot read only costs what it remembered: the chats are read afresh.
    }
}

std::string PeekSchedule::stored() const {
    nlohmann::json saved = nlohmann::json::object();
    saved[std::string(abandonedKey)] = encodedTags(abandoned);
    saved[std::string(handedKey)] = encodedTags(handed);
    saved[std::string(lastReadKey)] = encodedDates(lastRead);
    saved[std::string(presentKey)] = encodedDates(present);
    saved[std::string(versionKey)] = version;
    saved[std::string(waitingForKey)] = encodedTags(waitingFor);
    saved[std::string(waitingSinceKey)] = encodedDates(waitingSince);
    try {
        return saved.dump();
    } catch (const nlohmann::json::type_error&) {
        return {};
    }
}

std::vector<std::string> PeekSchedule::due(const std::vector<std::string>& listed, Date now) const {
    std::vector<std::string> slow;
    std::vector<std::string> fresh;
    std::vector<std::pair<Date, std::string>> dated;
    std::set<std::string> walked;
    for (const auto& key : listed) {
        if (key.empty() || !walked.insert(key).second) continue;
        const auto last = lastRead.find(key);
        const auto since = waitingSince.find(key);
        const bool readLately = last != lastRead.end() && now - last->second < slowInterval;
        if (since != waitingSince.end() && now - since->second < slowLimit && !readLately) {
            slow.push_back(key);
        } else if (last == lastRead.end()) {
            fresh.push_back(key);
        } else if (now - last->second >= interval) {
            dated.emplace_back(last->second, key);
        }
    }
    std::stable_sort(dated.begin(), dated.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    const auto ahead = std::min(slow.size(), slowShare);
    std::vector<std::string> result(slow.begin(), slow.begin() + static_cast<std::ptrdiff_t>(ahead));
    result.insert(result.end(), fresh.begin(), fresh.end());
    for (auto& [date, key] : dated) result.push_back(std::move(key));
    result.insert(result.end(), slow.begin() + static_cast<std::ptrdiff_t>(ahead), slow.end());
    return result;
}

std::map<std::string, Tags> PeekSchedule::watching(const std::vector<std::string>& keys) const {
    std::map<std::string, Tags> watched;
    for (const auto& key : keys) {
        TagSet tags = setOf(waitingFor, key);
        tags.merge(setOf(abandoned, key));
        if (!tags.empty()) watched[key] = sorted(tags);
    }
    return watched;
}

void PeekSchedule::record(const ReadResult& result, const std::vector<std::string>& listed, Date now) {
    std::set<std::string> read(result.peekedChats.begin(), result.peekedChats.end());
    read.insert(result.harvestedChats.begin(), result.harvestedChats.end());
    std::set<std::string> touched = read;
    touched.insert(result.peekBlindChats.begin(), result.peekBlindChats.end());
    std::set<std::string> seen(listed.begin(), listed.end());
    seen.insert(touched.begin(), touched.end());

    for (const auto& key : touched) lastRead[key] = now;
    for (const auto& key : seen) {
        if (!key.empty()) present[key] = now;
    }

    for (const auto& key : read) {
        const TagSet resolved = setOf(result.resolvedTags, key);
        const TagSet waiting = setOf(result.waitingTags, key);
        TagSet stillAbandoned;
        std::ranges::set_difference(setOf(abandoned, key), resolved,
                                    std::inserter(stillAbandoned, stillAbandoned.end()));
        if (stillAbandoned.empty()) {
            abandoned.erase(key);
        } else {
            abandoned[key] = sorted(stillAbandoned);
        }
        TagSet stillWaiting;
        std::ranges::set_difference(setOf(waitingFor, key), resolved, std::inserter(stillWaiting, stillWaiting.end()));
        std::ranges::set_difference(waiting, stillAbandoned, std::inserter(stillWaiting, stillWaiting.end()));
        if (stillWaiting.empty()) {
            waitingSince.erase(key);
            waitingFor.erase(key);
        } else {
            waitingSince.emplace(key, now);
            waitingFor[key] = sorted(stillWaiting);
        }
    }

    gaveUpLastPass = 0;
    for (auto entry = waitingSince.begin(); entry != waitingSince.end();) {
        const auto& key = entry->first;
        if (now - entry->second < slowLimit) {
            ++entry;
            continue;
        }
        TagSet given = setOf(abandoned, key);
        given.merge(setOf(waitingFor, key));
        abandoned[key] = sorted(given);
        waitingFor.erase(key);
        entry = waitingSince.erase(entry);
        ++gaveUpLastPass;
    }

    keepOnly(lastRead, [&seen](const std::string& key) { return seen.contains(key); });
    std::erase_if(present, [now](const auto& entry) { return now - entry.second >= forgetAfter; });
    const auto isPresent = [this](const std::string& key) { return present.contains(key); };
    keepOnly(waitingSince, isPresent);
    keepOnly(waitingFor, isPresent);
    keepOnly(abandoned, isPresent);
    keepOnly(handed, isPresent);
}

void PeekSchedule::readAgain(const std::set<std::string>& chats) {
    for (const auto& key : chats) lastRead.erase(key);
}

void PeekSchedule::handedOver(const std::vector<Message>& messages) {
    for (const auto& message : messages) {
        if (!message.chatKey || message.chatKey->empty()) continue;
        Tags& tags = handed[*message.chatKey];
        const std::string made = tag(message.externalId);
        if (std::find(tags.begin(), tags.end(), made) != tags.end()) continue;
        tags.push_back(made);
        if (tags.size() > handedPerChat) tags.erase(tags.begin(), tags.end() - static_cast<std::ptrdiff_t>(handedPerChat));
    }
}

bool PeekSchedule::alreadyHanded(const Message& message) const {
    if (!message.chatKey) return false;
    const auto tags = handed.find(*message.chatKey);
    if (tags == handed.end()) return false;
    return std::find(tags->second.begin(), tags->second.end(), tag(message.externalId)) != tags->second.end();
}

std::string PeekSchedule::summary() const {
    std::vector<std::string> parts;
    if (!waitingSince.empty()) {
        parts.push_back(fmt::format("{} chat(s) with a message still decrypting, re-read without opening every minute "
                                    "for up to six hours",
                                    waitingSince.size()));
    }
    if (gaveUpLastPass > 0) {
        parts.push_back(fmt::format("{} chat(s) still decrypting after six hours, or no longer in the page's memory "
                                    "— re-read every five minutes like the rest from now on",
                                    gaveUpLastPass));
    }
    return fmt::format("{}", fmt::join(parts, ", "));
}

std::string PeekSchedule::tag(const std::string& id) {
    std::uint32_t hash = 2166136261u;
    for (const char byte : id) {
        hash ^= static_cast<unsigned char>(byte);
        hash *= 16777619u;
    }
    constexpr std::string_view digits = "0123456789abcdefghijklmnopqrstuvwxyz";
    std::string text;
    do {
        text.insert(text.begin(), digits[hash % 36]);
        hash /= 36;
    } while (hash != 0);
    return text;
}

} // namespace tarvo::WhatsAppWeb
