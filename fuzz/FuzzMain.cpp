// The libFuzzer entry of one fuzz target: FUZZ_ENTRY names its body.
#include "FuzzTargets.h"

#include <QCoreApplication>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv) {
    // Some targets build QObjects (the module link); they get the application
    // object a real run has. It lives until the process ends.
    static QCoreApplication *app = new QCoreApplication(*argc, *argv);
    (void)app;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    return FUZZ_ENTRY(data, size);
}
