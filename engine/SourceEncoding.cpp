#include "SourceEncoding.h"

#include <cstring>

bool TUtf8Scan::Feed(const unsigned char* p, qsizetype n) {
    qsizetype i = 0;
    while (FValid && i < n) {
        if (FNeed > 0) {
            const unsigned c = p[i++];
            if (c < FLow || c > FHigh)
                FValid = false;
            FLow = 0x80;
            FHigh = 0xBF;
            --FNeed;
            continue;
        }
        // ASCII runs are the bulk of source code: 32 bytes at a time, then 8.
        constexpr quint64 kHigh = 0x8080808080808080ULL;
        while (i + 32 <= n) {
            quint64 w[4];
            std::memcpy(w, p + i, 32);
            if ((w[0] | w[1] | w[2] | w[3]) & kHigh)
                break;
            i += 32;
        }
        while (i + 8 <= n) {
            quint64 word;
            std::memcpy(&word, p + i, 8);
            if (word & kHigh)
                break;
            i += 8;
        }
        if (i >= n)
            break;
        const unsigned c = p[i++];
        if (c < 0x80)
            continue;
        FNonAscii = true;
        if (c >= 0xC2 && c <= 0xDF) {
            FNeed = 1;
        } else if (c >= 0xE0 && c <= 0xEF) {
            FNeed = 2;
            if (c == 0xE0)
                FLow = 0xA0;
            else if (c == 0xED)
                FHigh = 0x9F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            FNeed = 3;
            if (c == 0xF0)
                FLow = 0x90;
            else if (c == 0xF4)
                FHigh = 0x8F;
        } else {
            FValid = false;
        }
    }
    return FValid;
}
