#include "aprs/Crc32Fold.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>

namespace {

// Folding constants for the reflected polynomial 0x04C11DB7 (x^(4*128+32) mod P and so on, bit
// reflected), and the Barrett constants (P and floor(x^64 / P)), as the published method gives them.
constexpr uint64_t kK1 = 0x154442bd4, kK2 = 0x1c6e41596; // fold by 512 bits
constexpr uint64_t kK3 = 0x1751997d0, kK4 = 0x0ccaa009e; // fold by 128 bits
constexpr uint64_t kK5 = 0x163cd6124;                    // 64 to 32 bits
constexpr uint64_t kPoly = 0x1db710641, kMu = 0x1f7011641;

// x times the two constants of k, low with low and high with high, folded onto next.
__attribute__((target("pclmul,sse4.1"))) inline __m128i foldInto(__m128i x, __m128i k, __m128i next) {
    const __m128i lo = _mm_clmulepi64_si128(x, k, 0x00);
    const __m128i hi = _mm_clmulepi64_si128(x, k, 0x11);
    return _mm_xor_si128(_mm_xor_si128(lo, hi), next);
}

__attribute__((target("pclmul,sse4.1"))) uint32_t fold(uint32_t crc, const uint8_t* p, size_t size) {
    const auto load = [](const uint8_t* at) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at)); };
    __m128i x1 = load(p), x2 = load(p + 16), x3 = load(p + 32), x4 = load(p + 48);
    x1 = _mm_xor_si128(x1, _mm_cvtsi32_si128(static_cast<int>(crc)));
    p += 64;
    size -= 64;
    const __m128i k12 = _mm_set_epi64x(static_cast<long long>(kK2), static_cast<long long>(kK1));
    for (; size >= 64; size -= 64, p += 64) {
        x1 = foldInto(x1, k12, load(p));
        x2 = foldInto(x2, k12, load(p + 16));
        x3 = foldInto(x3, k12, load(p + 32));
        x4 = foldInto(x4, k12, load(p + 48));
    }
    const __m128i k34 = _mm_set_epi64x(static_cast<long long>(kK4), static_cast<long long>(kK3));
    x1 = foldInto(x1, k34, x2);
    x1 = foldInto(x1, k34, x3);
    x1 = foldInto(x1, k34, x4);
    for (; size >= 16; size -= 16, p += 16) x1 = foldInto(x1, k34, load(p));

    // 128 bits to 64, then to 32.
    const __m128i mask32 = _mm_set_epi32(0, 0, 0, -1);
    __m128i t = _mm_clmulepi64_si128(x1, k34, 0x10);
    x1 = _mm_xor_si128(_mm_srli_si128(x1, 8), t);
    t = _mm_srli_si128(x1, 4);
    x1 = _mm_and_si128(x1, mask32);
    x1 = _mm_clmulepi64_si128(x1, _mm_set_epi64x(0, static_cast<long long>(kK5)), 0x00);
    x1 = _mm_xor_si128(x1, t);

    // Barrett reduction to the 32-bit remainder.
    const __m128i pm = _mm_set_epi64x(static_cast<long long>(kMu), static_cast<long long>(kPoly));
    t = _mm_and_si128(x1, mask32);
    t = _mm_clmulepi64_si128(t, pm, 0x10);
    t = _mm_and_si128(t, mask32);
    t = _mm_clmulepi64_si128(t, pm, 0x00);
    x1 = _mm_xor_si128(x1, t);
    return static_cast<uint32_t>(_mm_extract_epi32(x1, 1));
}

bool hasClmul() {
    static const bool has = __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse4.1");
    return has;
}

} // namespace

bool crc32FoldBlocks(uint32_t& state, const uint8_t* data, size_t size) {
    if (size < 64 || size % 16 != 0 || !hasClmul()) return false;
    state = fold(state, data, size);
    return true;
}

#else

bool crc32FoldBlocks(uint32_t&, const uint8_t*, size_t) {
    return false;
}

#endif
