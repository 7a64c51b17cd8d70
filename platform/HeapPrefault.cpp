#include "platform/HeapPrefault.h"

#include <algorithm>

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

HeapPrefault::HeapPrefault(bool hugePages, uint64_t growStep, uint64_t ahead)
    : m_ahead(ahead), m_hugePages(hugePages) {
#ifdef QP_HEAP_PREFAULT
    // Setting the trim threshold fixes the mmap threshold too: both are set, so that large
    // buffers stay on the heap as they do once glibc's own adjustment has grown the threshold.
    m_enabled = mallopt(M_TOP_PAD, static_cast<int>(growStep)) == 1 &&
                mallopt(M_TRIM_THRESHOLD, 1 << 30) == 1 && mallopt(M_MMAP_THRESHOLD, 32 << 20) == 1;
    m_populated = (mark().used + kPage - 1) & ~(kPage - 1);
    m_hugeAdvised = m_populated;
#else
    (void)growStep;
    (void)m_ahead;
    (void)m_hugePages;
#endif
}

HeapPrefault::Mark HeapPrefault::mark() {
#ifdef QP_HEAP_PREFAULT
    // The main heap ends at the program break; its top chunk, never used yet, reaches up to it.
    const auto end = reinterpret_cast<uintptr_t>(sbrk(0));
    const size_t top = mallinfo2().keepcost;
    return {end - std::min<uintptr_t>(top, end), end};
#else
    return {};
#endif
}

void HeapPrefault::populate(Mark mark) {
#ifdef QP_HEAP_PREFAULT
    const uintptr_t end = std::min<uintptr_t>(mark.end, mark.used + m_ahead) & ~(kPage - 1);
    if (!m_enabled || end <= m_populated) return;
    // Asked for as glibc asks for them with its huge page tunable; without, the pages stay small.
    if (m_hugePages) (void)madvise(reinterpret_cast<void*>(m_populated), end - m_populated, MADV_HUGEPAGE);
    if (m_hugePages) {
        // The whole reserved heap at once, so that the allocating thread's own faults beyond
        // what is populated take huge pages too.
        const uintptr_t hugeEnd = mark.end & ~(kPage - 1);
        if (hugeEnd > m_hugeAdvised) {
            (void)madvise(reinterpret_cast<void*>(m_hugeAdvised), hugeEnd - m_hugeAdvised, MADV_HUGEPAGE);
            m_hugeAdvised = hugeEnd;
        }
    }
    // A failure (an old kernel, a heap cut meanwhile) leaves the faults to the allocating thread.
    if (madvise(reinterpret_cast<void*>(m_populated), end - m_populated, MADV_POPULATE_WRITE) != 0)
        m_enabled = false;
    else
        m_populated = end;
#else
    (void)mark;
#endif
}
