#include "LineScanner.h"

TScanClasses::TScanClasses() {
    for (const char* d = kDelimiters; *d; ++d)
        FClass[uchar(*d)] = kDelimiter;
    FClass['{'] |= kOpenBrace;
    FClass['<'] |= kAngle;
    FClass['>'] |= kAngle;
}
