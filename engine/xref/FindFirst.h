#pragma once
// Looking for the first of some ASCII characters in a text, sixteen units at a time where the
// machine compares them at once: a call or a loop a unit for a line of some thirty units costs
// more than the line.

#include <bit>
#include <cstddef>
#include <string_view>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

// The first unit of s[from, size) that is looked for, or `size`. `is(unit)` tells one unit;
// where the machine has SSE2, `hits(at)` tells those of s[at, at + 16), a bit each.
template <typename TUnit, typename TIs, typename THits>
size_t FindFirst(const TUnit* s, size_t from, size_t size, TIs is, [[maybe_unused]] THits hits) {
    size_t i = from;
#ifdef __SSE2__
    for (; i + 16 <= size; i += 16)
        if (const unsigned found = hits(i))
            return i + size_t(std::countr_zero(found));
    if (i < size && size >= 16) {
        // The last units, those before `i` left out.
        const size_t last = size - 16;
        if (const unsigned found = hits(last) >> (i - last))
            return i + size_t(std::countr_zero(found));
        return size;
    }
#endif
    for (; i < size; ++i)
        if (is(s[i]))
            return i;
    return size;
}

#ifdef __SSE2__
// A bit for each of sixteen bytes that is one of `chars`.
template <char... chars> unsigned BytesAmong(__m128i bytes) {
    return unsigned(_mm_movemask_epi8((_mm_cmpeq_epi8(bytes, _mm_set1_epi8(chars)) | ...)));
}
// The same of the sixteen bytes at `at`.
template <char... chars> unsigned BytesAmong(const char* at) {
    return BytesAmong<chars...>(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at)));
}
#endif

// The first CR or LF of s[from, size), or `size`.
inline size_t NextLineBreak(const char* s, size_t from, size_t size) {
    return FindFirst(
        s, from, size, [](char c) { return c == '\n' || c == '\r'; },
        [s](size_t at) {
#ifdef __SSE2__
            return BytesAmong<'\n', '\r'>(s + at);
#else
            return 0u;
#endif
        });
}

// Whether every byte is ASCII: or-ed whole, in a loop the compiler vectorizes, since nearly
// every text is.
inline bool IsAscii(std::string_view bytes) {
    unsigned char any = 0;
    for (const char c : bytes)
        any |= static_cast<unsigned char>(c);
    return any < 0x80;
}
