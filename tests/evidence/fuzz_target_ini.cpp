// The fuzz target fuzz_ini as an ordinary function (see fuzz_replay.h).
#include "evidence/fuzz_replay.h"

#define LLVMFuzzerTestOneInput FuzzIniOneInput
#include "../../fuzz/fuzz_ini.cpp"
