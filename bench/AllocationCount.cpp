#include "AllocationCount.h"

#include <malloc.h>

#include <cstdlib>
#include <new>

namespace tarvo::bench {

std::atomic<std::int64_t> liveBytes{0};
std::atomic<std::int64_t> peakBytes{0};

namespace {

void counted(void* block) {
    if (!block) return;
    const auto now = liveBytes += static_cast<std::int64_t>(malloc_usable_size(block));
    auto peak = peakBytes.load();
    while (now > peak && !peakBytes.compare_exchange_weak(peak, now)) {
    }
}

void released(void* block) {
    if (block) liveBytes -= static_cast<std::int64_t>(malloc_usable_size(block));
    std::free(block);
}

} // namespace
} // namespace tarvo::bench

void* operator new(std::size_t size) {
    void* block = std::malloc(size ? size : 1);
    if (!block) throw std::bad_alloc();
    tarvo::bench::counted(block);
    return block;
}
void* operator new[](std::size_t size) { return operator new(size); }
void operator delete(void* block) noexcept { tarvo::bench::released(block); }
void operator delete[](void* block) noexcept { tarvo::bench::released(block); }
void operator delete(void* block, std::size_t) noexcept { tarvo::bench::released(block); }
void operator delete[](void* block, std::size_t) noexcept { tarvo::bench::released(block); }
