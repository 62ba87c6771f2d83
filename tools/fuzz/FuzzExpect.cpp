#include "FuzzEntries.h"

#include <cstdio>
#include <cstdlib>

void FuzzExpect(bool promise, const char* what) {
    if (promise)
        return;
    std::fprintf(stderr, "broken promise: %s\n", what);
    std::abort();
}
