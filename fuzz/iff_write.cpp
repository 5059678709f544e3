// Changes in a version 2.0/2.5 container: untouched resources read back as they were,
// and every change that reported success is there (see WriteCheck.h for the input).
#include "WriteCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return tambrix::fuzz::RunWriteCheck(data, size, tambrix::fuzz::Generation::kModern);
}
