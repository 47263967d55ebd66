// The fuzz target fuzz_codec as an ordinary function (see fuzz_replay.h).
#include "evidence/fuzz_replay.h"

#define LLVMFuzzerTestOneInput FuzzCodecOneInput
#include "../../fuzz/fuzz_codec.cpp"
