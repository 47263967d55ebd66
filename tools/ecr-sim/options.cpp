#include "ecr-sim/options.h"

#include <cerrno>
#include <cstdlib>
#include <functional>
#include <map>

#include "ecr-sim/control.h"

namespace danvore::sim {

namespace {

constexpr char kOptions[] =
    "Usage: danvore-ecr-sim (--tcp HOST:PORT | --pty LINK | --serial DEVICE) [options]\n"
    "\n"
    "A fake fiscal register that answers the bridge's wire protocol. It prints where it\n"
    "listens (\"listening on HOST:PORT\", \"pty LINK -> /dev/pts/N\", \"serial DEVICE at\n"
    "BAUD\") and runs until SIGINT, SIGTERM or the command quit on standard input.\n"
    "\n"
    "Transports (several may be given):\n"
    "  --tcp HOST:PORT          listen on a loopback address; port 0 picks a free one\n"
    "  --allow-remote           permit --tcp on an address that is not loopback\n"
    "  --pty LINK               open a pseudo-terminal, LINK becomes a link to its slave\n"
    "  --serial DEVICE          serve a real serial port (8N1, no flow control)\n"
    "  --baud N                 the register's speed: the probe (id 100) is answered only\n"
    "                           when the line runs at N (serial: opened at N, else 9600)\n"
    "Register:\n"
    "  --ecr-id N               ECR id of the replies (1)\n"
    "  --journal FILE           append what the register prints (UTF-8 text)\n"
    "  --frames FILE            append every request as a JSON line\n"
    "  --status BITS            initial status word bits (see status below)\n"
    "  --status-text TEXT       status text sent with the status word\n"
    "  --pending FIRST,SECOND   pending records for 20002 and 10009\n"
    "  --transfer S,A[,D[,LEN]] end-of-day transfer state (status, attempts, done, length)\n"
    "  --clerk ID:PASSWORD      add a clerk (clerk 1 with password 0 exists)\n"
    "  --props-status N         Status byte of the properties answer (1)\n"
    "  --props-length N         length of the properties answer, 26 or 28 (28)\n"
    "Faults:\n"
    "  --delay MS               delay every reply\n"
    "  --drop N                 lose the Nth request\n"
    "  --stale COUNT[,GAP_MS]   stale packet number replies before the real ones\n"
    "  --garbage COUNT          noise bytes before the next replies\n"
    "  --split MS[,COUNT]       replies in two bursts MS ms apart\n"
    "  --close-after N          close the connection after N requests\n"
    "  --refuse ID:ERROR[:fe]   refuse the next command ID with ERROR\n"
    "  --exec-drop ID[,NTH]     execute the NTH (1) next command ID without answering\n"
    "  --exec-close ID[,NTH]    execute the NTH (1) next command ID, then close the connection\n"
    "  --kill-pid PID           the process that --kill-after-id ends\n"
    "  --kill-after-id ID[,NTH] after executing the NTH (1) next command ID, kill PID (SIGKILL);\n"
    "                           without --kill-pid the simulator itself exits at once\n"
    "  --command LINE           run any standard-input command at start\n"
    "  --help                   this text\n"
    "\n";

std::string Replace(std::string text, char from, char to) {
  for (char& c : text) {
    if (c == from) c = to;
  }
  return text;
}

bool ParseInt(const std::string& text, int low, int high, int& out) {
  char* end = nullptr;
  errno = 0;
  const long value = std::strtol(text.c_str(), &end, 0);
  if (text.empty() || errno != 0 || *end != '\0' || value < low || value > high) return false;
  out = static_cast<int>(value);
  return true;
}

bool ParseTcp(const std::string& value, TSimCommandLine& out) {
  const std::size_t colon = value.rfind(':');
  if (colon == std::string::npos || colon == 0) return false;
  std::string host = value.substr(0, colon);
  if (host.size() > 2 && host.front() == '[' && host.back() == ']') {
    host = host.substr(1, host.size() - 2);
  }
  out.Tcp = true;
  out.TcpHost = host;
  return ParseInt(value.substr(colon + 1), 0, 65535, out.TcpPort);
}

// Options that become one control line: the command word and the separator
// between the values that the option takes in one argument.
struct TControlOption {
  const char* Command;
  char Separator;
};

const std::map<std::string, TControlOption>& ControlOptions() {
  static const std::map<std::string, TControlOption> options = {
      {"--pending", {"pending", ','}},
      {"--transfer", {"transfer", ','}},
      {"--clerk", {"clerk", ':'}},
      {"--props-status", {"props-status", 0}},
      {"--props-length", {"props-length", 0}},
      {"--delay", {"delay", 0}},
      {"--drop", {"drop", 0}},
      {"--stale", {"stale", ','}},
      {"--garbage", {"garbage", 0}},
      {"--split", {"split", ','}},
      {"--close-after", {"close-after", 0}},
      {"--refuse", {"refuse", ':'}},
      {"--exec-drop", {"exec-drop", ','}},
      {"--exec-close", {"exec-close", ','}},
      {"--kill-pid", {"kill-pid", 0}},
      {"--kill-after-id", {"exit-after", ','}},
  };
  return options;
}

// Runs the control lines on a scratch register so that a bad value is
// reported with its option before anything starts.
bool CheckCommands(const std::vector<std::string>& commands, std::string& error) {
  TRegisterState state;
  TFaultPlan faults;
  bool quit = false;
  TControlTarget target{state, faults, quit};
  for (const std::string& command : commands) {
    std::string reply;
    if (!RunControl(command, target, reply)) {
      error = reply;
      return false;
    }
  }
  return true;
}

}  // namespace

bool ParseCommandLine(const std::vector<std::string>& args, TSimCommandLine& out,
                      std::string& error) {
  out = TSimCommandLine{};
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& option = args[i];
    if (option == "--help" || option == "-h") {
      out.Help = true;
      return true;
    }
    if (option == "--allow-remote") {
      out.Options.AllowRemote = true;
      continue;
    }
    if (i + 1 >= args.size()) {
      error = option.rfind("--", 0) == 0 ? option + " needs a value" : "unknown argument " + option;
      return false;
    }
    const std::string& value = args[++i];
    const auto control = ControlOptions().find(option);
    int number = 0;
    if (control != ControlOptions().end()) {
      const std::string words =
          control->second.Separator != 0 ? Replace(value, control->second.Separator, ' ') : value;
      out.Options.Commands.push_back(std::string(control->second.Command) + " " + words);
    } else if (option == "--tcp") {
      if (!ParseTcp(value, out)) {
        error = "--tcp needs HOST:PORT, not " + value;
        return false;
      }
    } else if (option == "--pty") {
      out.PtyLink = value;
    } else if (option == "--serial") {
      out.SerialDevice = value;
    } else if (option == "--baud" && ParseInt(value, 1, 4000000, number)) {
      out.Options.Setup.Baud = number;
      out.SerialBaud = number;
    } else if (option == "--ecr-id" && ParseInt(value, 0, 0x7FFFFFFF, number)) {
      out.Options.EcrId = static_cast<std::uint32_t>(number);
    } else if (option == "--journal") {
      out.Options.JournalPath = value;
    } else if (option == "--frames") {
      out.Options.FramesPath = value;
    } else if (option == "--status" && ParseInt(value, 0, 0xFFFF, number)) {
      out.Options.Setup.StatusBits = static_cast<std::uint16_t>(number);
    } else if (option == "--status-text") {
      out.Options.Setup.StatusText = value;
    } else if (option == "--command") {
      out.Options.Commands.push_back(value);
    } else {
      const bool numeric = option == "--baud" || option == "--ecr-id" || option == "--status";
      error = numeric ? "bad value for " + option + ": " + value : "unknown option " + option;
      return false;
    }
  }
  if (!out.Tcp && out.PtyLink.empty() && out.SerialDevice.empty()) {
    error = "choose a transport: --tcp, --pty or --serial";
    return false;
  }
  return CheckCommands(out.Options.Commands, error);
}

std::string UsageText() {
  return std::string(kOptions) + ControlHelp();
}

}  // namespace danvore::sim
