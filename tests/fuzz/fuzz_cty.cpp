#include "fuzzentries.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzEntry::cty(data, size);
    return 0;
}
