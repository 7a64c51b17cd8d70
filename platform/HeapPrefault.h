#pragma once

#include <cstdint>

// A thread that fills a growing database pays for every fresh page of the heap the first time it
// writes there: the kernel stops it to clear the page. Where another thread has time to spare, it
// can take that cost instead: the heap is made to grow in large steps, and the spare thread faults
// in what the heap has reserved beyond what the busy thread has touched. Faulting in a page changes
// nothing in it, so this is safe while the busy thread uses the same pages.
//
// glibc on Linux only; elsewhere, and on kernels without MADV_POPULATE_WRITE, nothing happens.
class HeapPrefault {
public:
    // Sets the heap to grow in steps of growStep bytes and never to shrink.
    explicit HeapPrefault(uint64_t growStep = 8u << 20);

    // The end of the main heap now; read on the thread that allocates.
    static uintptr_t heapEnd();
    // Faults in the pages of the main heap up to end not faulted in by an earlier call.
    void populateTo(uintptr_t end);

private:
    uintptr_t m_populated = 0;
    bool m_enabled = false;
};
