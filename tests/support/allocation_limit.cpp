// The replaced global operator new behind AllocationLimit. Every block carries
// its size in front of it, so the bytes held can be counted on release.
#include "tests/support/allocation_limit.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

constexpr size_t kHeader = alignof(std::max_align_t) > 16 ? alignof(std::max_align_t) : 16;

std::atomic<size_t> g_held{0};
std::atomic<size_t> g_start{0};
std::atomic<size_t> g_limit{0};   // 0: no ceiling
std::atomic<size_t> g_peak{0};

// Bytes held beyond those held at the start (blocks from before may go first).
size_t HeldSinceStart() {
    const size_t held = g_held.load(), start = g_start.load();
    return held > start ? held - start : 0;
}

void* Take(size_t n) {
    const size_t held = HeldSinceStart();
    const size_t limit = g_limit.load();
    if (limit && (n > limit || held > limit - n)) throw std::bad_alloc();
    auto* block = static_cast<unsigned char*>(std::malloc(n + kHeader));
    if (!block) throw std::bad_alloc();
    *reinterpret_cast<size_t*>(block) = n;
    g_held.fetch_add(n);
    const size_t now = HeldSinceStart();
    size_t peak = g_peak.load();
    while (now > peak && !g_peak.compare_exchange_weak(peak, now)) {
    }
    return block + kHeader;
}

void Give(void* p) {
    if (!p) return;
    auto* block = static_cast<unsigned char*>(p) - kHeader;
    g_held.fetch_sub(*reinterpret_cast<size_t*>(block));
    std::free(block);
}

}  // namespace

void* operator new(size_t n) { return Take(n); }
void* operator new[](size_t n) { return Take(n); }
void operator delete(void* p) noexcept { Give(p); }
void operator delete[](void* p) noexcept { Give(p); }
void operator delete(void* p, size_t) noexcept { Give(p); }
void operator delete[](void* p, size_t) noexcept { Give(p); }
// The no-throw forms too: a sanitizer runtime brings its own, which must not
// hand out blocks that ours then release.
void* operator new(size_t n, const std::nothrow_t&) noexcept {
    try {
        return Take(n);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
void* operator new[](size_t n, const std::nothrow_t& t) noexcept { return operator new(n, t); }
void operator delete(void* p, const std::nothrow_t&) noexcept { Give(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { Give(p); }

namespace testsupport {

AllocationLimit::AllocationLimit(size_t bytes) {
    g_start = g_held.load();
    g_peak = 0;
    g_limit = bytes;
}

AllocationLimit::~AllocationLimit() { g_limit = 0; }

size_t AllocationLimit::Peak() { return g_peak.load(); }

}  // namespace testsupport
