#include "platform/HeapPrefault.h"

#if defined(__GLIBC__) && defined(__linux__)
#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>
#ifndef MADV_POPULATE_WRITE
#define MADV_POPULATE_WRITE 23
#endif
#define QP_HEAP_PREFAULT 1
#endif

namespace {
constexpr uintptr_t kPage = 4096;
}

HeapPrefault::HeapPrefault(uint64_t growStep) {
#ifdef QP_HEAP_PREFAULT
    // Setting the trim threshold fixes the mmap threshold too: both are set, so that large
    // buffers stay on the heap as they do once glibc's own adjustment has grown the threshold.
    m_enabled = mallopt(M_TOP_PAD, static_cast<int>(growStep)) == 1 &&
                mallopt(M_TRIM_THRESHOLD, 1 << 30) == 1 && mallopt(M_MMAP_THRESHOLD, 32 << 20) == 1;
    m_populated = (heapEnd() + kPage - 1) & ~(kPage - 1);
#else
    (void)growStep;
#endif
}

uintptr_t HeapPrefault::heapEnd() {
#ifdef QP_HEAP_PREFAULT
    return reinterpret_cast<uintptr_t>(sbrk(0));
#else
    return 0;
#endif
}

void HeapPrefault::populateTo(uintptr_t end) {
#ifdef QP_HEAP_PREFAULT
    end &= ~(kPage - 1);
    if (!m_enabled || end <= m_populated) return;
    // A failure (an old kernel, a heap cut meanwhile) leaves the faults to the allocating thread.
    if (madvise(reinterpret_cast<void*>(m_populated), end - m_populated, MADV_POPULATE_WRITE) != 0)
        m_enabled = false;
    else
        m_populated = end;
#else
    (void)end;
#endif
}
