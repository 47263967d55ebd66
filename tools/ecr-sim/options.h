// Command line of the simulator program.
#pragma once

#include <string>
#include <vector>

#include "ecr-sim/simulator.h"

namespace danvore::sim {

struct TSimCommandLine {
  bool Help = false;
  TSimOptions Options;
  bool Tcp = false;
  std::string TcpHost;
  int TcpPort = 0;
  std::string PtyLink;
  std::string SerialDevice;
  int SerialBaud = 9600;
};

// `args` without the program name. False, with the reason in `error`, for an
// unknown option, a missing or bad value, or no transport chosen.
bool ParseCommandLine(const std::vector<std::string>& args, TSimCommandLine& out,
                      std::string& error);

// Every option and every standard-input command.
std::string UsageText();

}  // namespace danvore::sim
