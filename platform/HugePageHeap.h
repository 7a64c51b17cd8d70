#pragma once

// The station database is tens of megabytes of small records, and every decoded line reaches one
// of them at random; on 4 KiB pages nearly each of those touches is a TLB miss as well as a cache
// miss. glibc puts its heap on transparent huge pages only when a tunable says so at program
// start, so the program restarts itself once, first thing in main(), with that tunable added.
//
// Nothing happens when the tunable is there already, when the kernel offers no transparent huge
// pages, when another allocator or a tool is preloaded (valgrind, heaptrack), in sanitizer builds,
// or when QUILLPAD_SMALL_PAGES is set. When the restart fails the program goes on as it is.
void restartWithHugePageHeap(char** argv);

// Whether restartWithHugePageHeap can do anything in this build on this kernel.
bool hugePageHeapSupported();

// Whether this process runs with its heap on huge pages (the tunable is in its environment).
bool heapOnHugePages();

// Whether restartWithHugePageHeap would put the heap on huge pages in this process: for a command
// that puts its heap there by its own means instead of restarting (see HeapPrefault).
bool hugePageHeapWanted();
