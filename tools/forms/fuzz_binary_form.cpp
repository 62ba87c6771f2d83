// libFuzzer entry: any bytes must be detected and converted without a crash, a hang or
// unbounded memory; the detector and the converter must agree on the start.

#include "BinaryForm.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const bool isForm = IsBinaryForm(bytes);
    const TBinaryFormText form = BinaryFormToText(bytes);
    if (form.Text.isEmpty() || form.Text.size() > 24 * bytes.size() + (2 << 20))
        std::abort();
    if (isForm && form.Text.startsWith("//"))
        std::abort(); // a valid header always gives the first object's line
    return 0;
}
