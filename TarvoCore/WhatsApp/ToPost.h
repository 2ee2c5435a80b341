#pragma once

#include "TarvoCore/WhatsApp/PeekSchedule.h"
#include "TarvoCore/WhatsApp/ReadResult.h"
#include "TarvoCore/WhatsApp/RetryBudget.h"
#include "TarvoCore/WhatsApp/SentMessages.h"

namespace tarvo::WhatsAppWeb {

// The read result to ingest: without the messages already posted (in `sent`, or peeked ones the
// schedule remembers handing over), and without the peeked ones the service refused more often
// than `retries` allows. Their numbers go to the result's counters.
ReadResult toPost(const ReadResult& result, const SentMessages& sent, const PeekSchedule& schedule,
                  const RetryBudget& retries);

} // namespace tarvo::WhatsAppWeb
