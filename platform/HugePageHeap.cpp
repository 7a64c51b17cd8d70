#include "platform/HugePageHeap.h"

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

constexpr char kTunable[] = "glibc.malloc.hugetlb=1";
constexpr char kTunableName[] = "glibc.malloc.hugetlb";
// Set on the restart, so that a process whose loader dropped the tunable never restarts again.
constexpr char kRestartedMarker[] = "QUILLPAD_HEAP_RESTARTED";

bool sanitizerBuild() {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    return true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || __has_feature(memory_sanitizer)
    return true;
#else
    return false;
#endif
#else
    return false;
#endif
}

bool kernelOffersHugePages() {
    std::ifstream f("/sys/kernel/mm/transparent_hugepage/enabled");
    std::string modes;
    std::getline(f, modes);
    return !modes.empty() && modes.find("[never]") == std::string::npos;
}

bool isSet(const char* name) {
    const char* v = std::getenv(name);
    return v && *v;
}

} // namespace

bool heapOnHugePages() {
    // glibc 2.36 hands on only the first tunable of a list in the environment, though it applies
    // them all: the marker tells of a restart that added ours behind the user's.
    const char* tunables = std::getenv("GLIBC_TUNABLES");
    return isSet(kRestartedMarker) || (tunables && std::strstr(tunables, kTunable));
}

bool hugePageHeapSupported() {
#ifdef __GLIBC__
    return !sanitizerBuild() && kernelOffersHugePages();
#else
    return false;
#endif
}

bool hugePageHeapWanted() {
#ifdef __GLIBC__
    if (sanitizerBuild() || isSet(kRestartedMarker) || isSet("QUILLPAD_SMALL_PAGES") || isSet("LD_PRELOAD"))
        return false;
    const char* current = std::getenv("GLIBC_TUNABLES");
    if (current && std::strstr(current, kTunableName)) return false; // the user's own choice stands
    return kernelOffersHugePages();
#else
    return false;
#endif
}

void restartWithHugePageHeap(char** argv) {
#ifdef __GLIBC__
    if (!argv || !argv[0] || !hugePageHeapWanted()) return;
    const char* current = std::getenv("GLIBC_TUNABLES");
    const std::string tunables = current && *current ? std::string(current) + ":" + kTunable : kTunable;
    if (setenv("GLIBC_TUNABLES", tunables.c_str(), 1) != 0 || setenv(kRestartedMarker, "1", 1) != 0) return;
    execv("/proc/self/exe", argv);
    // Still here: the restart failed. Run on as we are, without leaving the tunable to children.
    if (current)
        setenv("GLIBC_TUNABLES", current, 1);
    else
        unsetenv("GLIBC_TUNABLES");
#else
    (void)argv;
#endif
}
