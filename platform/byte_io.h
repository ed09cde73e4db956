// What the character streams need of the platform below stdio: 64-bit positions of a stream, and
// a fast search for a byte in a block that the streams have read.
#pragma once

#include <cstdio>
#include <cstdint>

// 64-bit positions, so pages beyond 2 GiB can be revisited too.
#ifdef _WIN32
inline int64_t byte_tell(FILE* f) { return _ftelli64(f); }
inline int byte_seek(FILE* f, int64_t position) { return _fseeki64(f, position, SEEK_SET); }
#else
inline int64_t byte_tell(FILE* f) { return ftello(f); }
inline int byte_seek(FILE* f, int64_t position) { return fseeko(f, static_cast<off_t>(position), SEEK_SET); }
#endif

#include <bit>
#include <cstddef>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// The first byte equal to c in p .. end, or end. Inline, since the runs between tags are short
// and a library call for each costs more than the search: sixteen bytes at a time where the
// processor has SSE2 (every x86-64), else a machine word at a time (the 32-bit Windows programs).
inline const unsigned char* byte_find(const unsigned char* p, const unsigned char* end, unsigned char c)
{
#if defined(__SSE2__)
    __m128i pattern = _mm_set1_epi8(static_cast<char>(c));
    while (end - p >= 16) {
        __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        unsigned found = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, pattern)));
        if (found != 0)
            return p + std::countr_zero(found);
        p += 16;
    }
#else
    using word = std::size_t;
    constexpr word ones = ~word(0) / 255;  // 0x01 in every byte
    constexpr word low_bits = ones * 0x7F;
    if constexpr (std::endian::native == std::endian::little) {
        word pattern = ones * c;
        while (end - p >= static_cast<std::ptrdiff_t>(sizeof(word))) {
            word w;
            std::memcpy(&w, p, sizeof w);
            word x = w ^ pattern;  // a zero byte where w holds c
            // The high bit of each byte of x that is zero, and of no other byte.
            word zero = ~(((x & low_bits) + low_bits) | x | low_bits);
            if (zero != 0)
                return p + std::countr_zero(zero) / 8;
            p += sizeof w;
        }
    }
#endif
    while (p < end && *p != c)
        ++p;
    return p;
}
