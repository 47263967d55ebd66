// danvore-ecr-sim: the register simulator as a program.
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <iostream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "ecr-sim/options.h"
#include "ecr-sim/simulator.h"
#include "platform/args.h"
#include "platform/signals.h"

namespace {

// Standard input carries the same commands as TSimulator::Control. Its end
// (for example /dev/null) only ends the commands, not the simulator.
void ReadCommands(danvore::sim::TSimulator& simulator) {
  std::string line;
  while (std::getline(std::cin, line)) {
    std::string reply;
    const bool understood = simulator.Control(line, &reply);
    if (reply.empty()) continue;
    if (reply.back() != '\n') reply += '\n';
    std::fputs(reply.c_str(), understood ? stdout : stderr);
    std::fflush(understood ? stdout : stderr);
  }
}

void Announce(const std::string& text) {
  std::fputs((text + "\n").c_str(), stdout);
  std::fflush(stdout);
}

void Start(danvore::sim::TSimulator& simulator, const danvore::sim::TSimCommandLine& commandLine) {
  if (commandLine.Tcp) {
    const std::uint16_t port =
        simulator.StartTcp(commandLine.TcpHost, static_cast<std::uint16_t>(commandLine.TcpPort));
    Announce("listening on " + commandLine.TcpHost + ":" + std::to_string(port));
  }
  if (!commandLine.PtyLink.empty()) {
    Announce("pty " + commandLine.PtyLink + " -> " + simulator.StartPty(commandLine.PtyLink));
  }
  if (!commandLine.SerialDevice.empty()) {
    simulator.StartSerial(commandLine.SerialDevice, commandLine.SerialBaud);
    Announce("serial " + commandLine.SerialDevice + " at " +
             std::to_string(commandLine.SerialBaud));
  }
}

}  // namespace

int main(int argc, char** argv) {
  using namespace danvore::sim;
  TSimCommandLine commandLine;
  std::string error;
  if (!ParseCommandLine(danvore::platform::CommandLineArgs(argc, argv), commandLine, error)) {
    std::fprintf(stderr, "danvore-ecr-sim: %s (--help lists the options)\n", error.c_str());
    return 2;
  }
  if (commandLine.Help) {
    std::fputs(UsageText().c_str(), stdout);
    return 0;
  }
  danvore::platform::CatchStopSignals();
  // Never destroyed: the process ends without unwinding (below), so the
  // input thread may use it to the end.
  std::unique_ptr<TSimulator> simulator;
  try {
    simulator = std::make_unique<TSimulator>(commandLine.Options);
    Start(*simulator, commandLine);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "danvore-ecr-sim: %s\n", e.what());
    std::fflush(stderr);
    std::_Exit(1);
  }
  std::thread(ReadCommands, std::ref(*simulator)).detach();
  while (!simulator->QuitRequested() && !danvore::platform::WaitForStopSignal(50)) {
  }
  simulator->Stop();
  // The input thread may still wait on standard input, holding its lock:
  // flush only the outputs and end without unwinding.
  std::fflush(stdout);
  std::fflush(stderr);
  std::_Exit(0);
}
