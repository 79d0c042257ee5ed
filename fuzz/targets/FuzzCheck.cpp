#include "FuzzCheck.h"

#include <cstdio>
#include <cstdlib>

namespace {
FuzzFailureHandler handler = nullptr;
}

void SetFuzzFailureHandler(FuzzFailureHandler h) {
    handler = h;
}

void FuzzFailure(const char *what) {
    if (handler) {
        handler(what);
        return;
    }
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::abort();
}
