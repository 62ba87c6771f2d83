// The libFuzzer entry of one target; DWELK_FUZZ_ENTRY names its entry function.

#include "FuzzEntries.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return DWELK_FUZZ_ENTRY(data, size);
}
