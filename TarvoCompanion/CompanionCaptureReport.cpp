#include "TarvoCompanion/CompanionCaptureReport.h"

namespace tarvo {

Json CompanionCaptureReport::wire() const {
    Json object = Json::object();
    object["chatsInList"] = chatsInList;
    object["changedChats"] = changedChats;
    object["openedChats"] = openedChats;
    object["unopenableChats"] = unopenableChats;
    object["rowsWithoutTarget"] = rowsWithoutTarget;
    object["noPressTarget"] = noPressTarget;
    object["neverSelected"] = neverSelected;
    object["openedEmpty"] = openedEmpty;
    object["raced"] = raced;
    object["nonConversationRows"] = nonConversationRows;
    object["rowsWithoutChatId"] = rowsWithoutChatId;
    object["sharedKeyRows"] = sharedKeyRows;
    object["skipped"] = skipped;
    object["stage"] = stage ? Json(*stage) : Json(nullptr);
    return object;
}

} // namespace tarvo
