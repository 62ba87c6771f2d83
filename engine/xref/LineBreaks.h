#pragma once
// The next line break of a text, looked for sixteen units at a time where the machine compares
// them at once: a call per line of some thirty units costs more than the line.

#include <bit>
#include <cstddef>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

// The first CR or LF of s[from, size), or `size`. Where the machine has SSE2, `sixteen(at)`
// gives the units s[at, at + 16) as sixteen bytes, in which only a CR or LF reads as one.
template <typename TUnit, typename TSixteen>
size_t NextLineBreak(const TUnit* s, size_t from, size_t size, [[maybe_unused]] TSixteen sixteen) {
    size_t i = from;
#ifdef __SSE2__
    const auto breaks = [&sixteen](size_t first) {
        const __m128i bytes = sixteen(first);
        return unsigned(
            _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('\n')),
                                           _mm_cmpeq_epi8(bytes, _mm_set1_epi8('\r')))));
    };
    for (; i + 16 <= size; i += 16)
        if (const unsigned hits = breaks(i))
            return i + size_t(std::countr_zero(hits));
    if (i < size && size >= 16) {
        // The last units, those before `i` left out.
        const size_t last = size - 16;
        if (const unsigned hits = breaks(last) >> (i - last))
            return i + size_t(std::countr_zero(hits));
        return size;
    }
#endif
    for (; i < size; ++i)
        if (s[i] == '\n' || s[i] == '\r')
            return i;
    return size;
}

// The same of bytes.
inline size_t NextLineBreak(const char* s, size_t from, size_t size) {
    return NextLineBreak(s, from, size, [s](size_t at) {
#ifdef __SSE2__
        return _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + at));
#else
        return at;
#endif
    });
}
