// Changes in a version 1.0 container: untouched resources read back as they were, labels
// included, and every change that reported success is there (see WriteCheck.h).
#include "WriteCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return tambrix::fuzz::RunWriteCheck(data, size, tambrix::fuzz::Generation::kLegacy);
}
