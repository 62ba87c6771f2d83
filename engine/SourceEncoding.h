#pragma once
// The UTF-8 check that decides how a source without a byte-order mark is read.

#include <QtGlobal>

// Well-formed UTF-8, fed in pieces of any size: no overlong forms, no surrogates, nothing
// above U+10FFFF, no sequence cut at the end.
class TUtf8Scan {
public:
    // False as soon as the bytes so far cannot be UTF-8.
    bool Feed(const unsigned char* p, qsizetype n);
    bool Valid() const { return FValid; }
    // Valid, and no sequence waits for more bytes.
    bool Complete() const { return FValid && FNeed == 0; }
    bool SawNonAscii() const { return FNonAscii; }

private:
    int FNeed = 0;                           // continuation bytes still to come
    unsigned char FLow = 0x80, FHigh = 0xBF; // range of the next continuation byte
    bool FValid = true;
    bool FNonAscii = false;
};
