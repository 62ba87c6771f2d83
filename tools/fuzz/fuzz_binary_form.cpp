// Binary forms: any bytes must be detected and converted without a crash, a hang or unbounded
// memory; the detector and the converter must agree on the start.

#include "BinaryForm.h"
#include "FuzzEntries.h"

int FuzzBinaryForm(const uint8_t* data, size_t size) {
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const bool isForm = IsBinaryForm(bytes);
    const TBinaryFormText form = BinaryFormToText(bytes);
    FuzzExpect(!form.Text.isEmpty(), "a form gives some text, if only its problem");
    FuzzExpect(form.Text.size() <= 24 * bytes.size() + (2 << 20), "the text grows boundedly");
    // A valid header always gives the first object's line; a header the bytes cut short gives
    // only the line saying where reading stopped.
    FuzzExpect(!isForm || !form.Text.startsWith("//") || !form.Problem.isEmpty(),
               "a valid header gives an object");
    return 0;
}
