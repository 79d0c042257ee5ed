#pragma once
// What a fuzz target does when a property of the code under test does not
// hold: by default it prints the property and aborts (libFuzzer keeps the
// input as a crash). The corpus replay test installs a handler that records
// the failure instead, so it can name the file.

#include <cstddef>
#include <cstdint>

using FuzzFailureHandler = void (*)(const char *what);

void SetFuzzFailureHandler(FuzzFailureHandler handler);
void FuzzFailure(const char *what);

#define FUZZ_CHECK(cond)                                                                           \
    do {                                                                                           \
        if (!(cond))                                                                               \
            FuzzFailure(__FILE__ ": " #cond);                                                      \
    } while (false)
