// The fuzz target fuzz_command_file as an ordinary function (see fuzz_replay.h).
#include "evidence/fuzz_replay.h"

#define LLVMFuzzerTestOneInput FuzzCommandFileOneInput
#include "../../fuzz/fuzz_command_file.cpp"
