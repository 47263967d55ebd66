// The simulator's text commands: the same lines come from standard input,
// from TSimulator::Control() and from the command-line options.
#pragma once

#include <string>
#include <vector>

#include "ecr-sim/faults.h"
#include "ecr-sim/register_state.h"

namespace danvore::sim {

struct TControlTarget {
  TRegisterState& State;
  TFaultPlan& Faults;
  bool& Quit;
};

// Words separated by blanks; a double-quoted word keeps its blanks.
std::vector<std::string> SplitWords(const std::string& line);

// Runs one command line. False, with the reason in `reply`, when the line is
// not understood; nothing has changed then. Blank lines and lines starting
// with '#' do nothing.
bool RunControl(const std::string& line, TControlTarget& target, std::string& reply);

// The list of commands, as --help and "help" show it.
const char* ControlHelp();

}  // namespace danvore::sim
