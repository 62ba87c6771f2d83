#pragma once
// Entry functions for random inputs, shared by the seeded run (random_inputs) and the
// libFuzzer targets. Each takes any bytes; a crash, a hang or a sanitizer report is a
// finding, and so is a broken promise of the code it drives, which aborts.

#include <cstddef>
#include <cstdint>

int FuzzBinaryForm(const uint8_t* data, size_t size);
int FuzzPageWriter(const uint8_t* data, size_t size);
int FuzzScanner(const uint8_t* data, size_t size);
int FuzzSettingsFile(const uint8_t* data, size_t size);
int FuzzXref(const uint8_t* data, size_t size);

// Aborts with `what` on standard error when `promise` does not hold.
void FuzzExpect(bool promise, const char* what);
