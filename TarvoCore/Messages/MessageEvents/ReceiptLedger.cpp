#include "TarvoCore/Messages/MessageEvents/ReceiptLedger.h"

#include <algorithm>

namespace tarvo {

int ReceiptLedger::rank(std::string_view status) {
    if (status == "delivered") return 1;
    if (status == "read") return 2;
    return 0;
}

std::int64_t ReceiptLedger::readFrom() const { return std::max<std::int64_t>(cursor_ - overlap_, 0); }

int ReceiptLedger::toldRank(const std::string& guid) const {
    const auto found = posted_.find(guid);
    return found == posted_.end() ? 0 : found->second.rank;
}

std::vector<ChatDatabase::Receipt> ReceiptLedger::fresh(const std::vector<ChatDatabase::Receipt>& receipts) const {
    std::vector<ChatDatabase::Receipt> fresh;
    for (const auto& receipt : receipts) {
        if (rank(receipt.status) > toldRank(receipt.guid)) fresh.push_back(receipt);
    }
    return fresh;
}

void ReceiptLedger::record(const std::vector<ChatDatabase::Receipt>& receipts) {
    for (const auto& receipt : receipts) {
        const int told = rank(receipt.status);
        if (told > toldRank(receipt.guid)) posted_[receipt.guid] = {told, receipt.changedAt};
    }
}

void ReceiptLedger::advance(std::int64_t to) { cursor_ = std::max(cursor_, to); }

void ReceiptLedger::forget(std::int64_t before) {
    std::erase_if(posted_, [before](const auto& entry) { return entry.second.changedAt < before; });
}

} // namespace tarvo
