// The fuzz target fuzz_check_data as an ordinary function (see fuzz_replay.h).
#include "evidence/fuzz_replay.h"

#define LLVMFuzzerTestOneInput FuzzCheckDataOneInput
#include "../../fuzz/fuzz_check_data.cpp"
