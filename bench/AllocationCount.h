#pragma once

#include <atomic>
#include <cstdint>

// The bytes the process holds through operator new, and the most it held since a bench last set
// the peak to the live count; the bench that links AllocationCount.cpp counts every allocation.
namespace tarvo::bench {
extern std::atomic<std::int64_t> liveBytes;
extern std::atomic<std::int64_t> peakBytes;
} // namespace tarvo::bench
