// One libFuzzer harness per target; the build names the target.
#include "fuzz/targets/FuzzTargets.h"

#ifndef VEXEL_FUZZ_TARGET
#error "VEXEL_FUZZ_TARGET must name a function of FuzzTargets.h"
#endif

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    VexelFuzz::VEXEL_FUZZ_TARGET(data, size);
    return 0;
}
