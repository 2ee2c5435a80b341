#include "TarvoCore/Messages/MessageEvents/MessageEvents.h"

#include "TarvoBase/TarvoDate.h"

namespace tarvo {
namespace {

constexpr std::chrono::seconds liveSpan{3600};

} // namespace

Json MessageEvents::payload(const ChatDatabase::Tapback& tapback) {
    Json event = Json::object();
    event["kind"] = "reaction";
    event["messageExternalId"] = tapback.targetGuid;
    event["reactorKey"] = tapback.reactorKey;
    event["fromMe"] = tapback.fromMe;
    event["emoji"] = tapback.emoji ? Json(*tapback.emoji) : Json(nullptr);
    // A removal is told by the null emoji.
    event["mode"] = "set";
    event["at"] = TarvoDate::format(tapback.date);
    return event;
}

Json MessageEvents::payload(const ChatDatabase::Receipt& receipt) {
    Json event = Json::object();
    event["kind"] = "status";
    event["messageExternalId"] = receipt.guid;
    event["status"] = receipt.status;
    event["at"] = TarvoDate::format(receipt.at);
    return event;
}

MessageEvents::Date MessageEvents::ceiling(const CaptureCursor& cursor, Date now) {
    if (!cursor.liveWindow(now, liveSpan).mayAdvanceCursor) return cursor.lastMessageDate;
    return now;
}

MessageEvents::Plan MessageEvents::plan(const std::vector<ChatDatabase::Tapback>& tapbacks, std::int64_t newestRowId,
                                        Date ceiling) {
    Plan plan;
    for (const ChatDatabase::Tapback& tapback : tapbacks) {
        if (tapback.date > ceiling) {
            plan.advanceTo = tapback.rowId - 1;
            return plan;
        }
        plan.send.push_back(tapback);
    }
    plan.advanceTo = newestRowId;
    return plan;
}

} // namespace tarvo
