#include "LineScanner.h"

#include "__pas2html.h"

TScanClasses::TScanClasses(const TDelphiToHTML& converter) {
    for (int c = 0; c < 256; ++c)
        FClass[c] = converter.IsDelimiter(char16_t(c)) ? kDelimiter : 0;
    FClass['{'] |= kOpenBrace;
    FClass['<'] |= kAngle;
    FClass['>'] |= kAngle;
}
