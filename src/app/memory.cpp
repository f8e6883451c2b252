#include "app/memory.h"

#include <malloc.h>
#include <sys/mman.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>

void prefer_large_heap_pages(bool huge_pages)
{
    // Blocks up to 32 MiB (every array of an object) come from the main heap,
    // and freed memory stays there for the next scene instead of going back
    // to the kernel page by page.
    constexpr size_t k_block = (size_t)16 << 20;
    constexpr int k_blocks = 32;   // 512 MiB of address space, not of memory
    constexpr uintptr_t k_huge = (uintptr_t)2 << 20;
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 1024 << 20);
    if (!huge_pages) return;
    // One heap for every thread: the arrays a file is read into on the
    // reading thread come from the same large pages as the rest, instead
    // of a heap of the thread's own faulted in page by page (half the page
    // faults of a window's open).
    mallopt(M_ARENA_MAX, 1);

    // Grow the heap once without touching it, mark the range, give it back
    // to the allocator: later allocations fault in 2 MiB pages there.
    void* blocks[k_blocks] = {};
    uintptr_t lo = UINTPTR_MAX, hi = 0;
    for (void*& b : blocks) {
        b = std::malloc(k_block);
        if (!b) break;
        lo = std::min(lo, (uintptr_t)b);
        hi = std::max(hi, (uintptr_t)b + k_block);
    }
    uintptr_t start = (lo + k_huge - 1) & ~(k_huge - 1);
    uintptr_t end = hi & ~(k_huge - 1);
    if (hi > lo && end > start) madvise((void*)start, end - start, MADV_HUGEPAGE);
    for (int i = k_blocks - 1; i >= 0; --i) std::free(blocks[i]);
}
