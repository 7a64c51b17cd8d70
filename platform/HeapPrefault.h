#pragma once

#include <cstdint>

// A thread that fills a growing database pays for every fresh page of the heap the first time it
// writes there: the kernel stops it to clear the page. Where another thread has time to spare, it
// can take that cost instead: the heap is made to grow in large steps, and the spare thread faults
// in the pages just beyond what the busy thread has used so far. Faulting in a page changes
// nothing in it, so this is safe while the busy thread uses the same pages.
//
// glibc on Linux only; elsewhere, and on kernels without MADV_POPULATE_WRITE, nothing happens.
class HeapPrefault {
public:
    // How far the main heap is used and where it ends.
    struct Mark {
        uintptr_t used = 0, end = 0;
    };

    // Sets the heap to grow in steps of growStep bytes (address space only, until pages are
    // touched) and never to shrink; pages are faulted in up to ahead bytes past the used part.
    // With hugePages they are transparent huge pages where the kernel offers them, as glibc's
    // huge page tunable would make them.
    explicit HeapPrefault(bool hugePages, uint64_t growStep = 64u << 20, uint64_t ahead = 4u << 20);

    // Read on the thread that allocates.
    static Mark mark();
    // Faults in the pages from the used part of mark to ahead bytes past it, those not faulted
    // in by an earlier call.
    void populate(Mark mark);

private:
    uintptr_t m_populated = 0;
    uintptr_t m_hugeAdvised = 0;
    uint64_t m_ahead = 0;
    bool m_enabled = false;
    bool m_hugePages = false;
};
