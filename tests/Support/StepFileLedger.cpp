#include "Support/StepFileLedger.h"

#include "TarvoBase/HexString.h"
#include "TarvoBase/Sha256.h"

namespace tarvo::testing {

Json StepFileLedger::state() const {
    return Json{{"received", static_cast<std::int64_t>(held.size())}, {"complete", complete}};
}

StepFileLedger::Answer StepFileLedger::put(const Chunk& chunk) {
    if (complete || chunk.offset != static_cast<std::int64_t>(held.size())) return {409, state()};
    held += chunk.body;
    if (static_cast<std::int64_t>(held.size()) == chunk.total) {
        if (hexString(Sha256::of(held)) != chunk.sha256) {
            held.clear();
            return {422, Json{{"message", "The file arrived changed, so Tarvo did not keep it."}}};
        }
        complete = true;
    }
    return {200, state()};
}

std::optional<std::int64_t> StepFileLedger::received(const Answer& answer) {
    const Json* body = &answer.body;
    if (body->is_object() && body->contains("state")) body = &(*body)["state"];
    if (!body->is_object() || !body->contains("received") || !(*body)["received"].is_number_integer())
        return std::nullopt;
    return (*body)["received"].get<std::int64_t>();
}

} // namespace tarvo::testing
