// danvore-cli check: a dry run for point-of-sale integrators. Packs every line
// of a command file the way the bridge would and prints the frames it would
// put on the wire, without any register attached.
#include <cstdio>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "core/errors.h"
#include "core/format.h"
#include "encoding/text_encoding.h"
#include "link/ecr_command.h"
#include "link/protocol.h"
#include "manager/command_file.h"
#include "packing/command_data.h"
#include "packing/packer.h"
#include "platform/fs.h"

namespace danvore::cli {

namespace {

constexpr const char* kCheckHelp =
    "Usage: danvore-cli check [--decimal comma|dot] [--input-encoding NAME] FILE\n"
    "\n"
    "Dry run of a command file: every line is parsed and packed as the bridge\n"
    "would do it, and the frames it would send to the register are printed.\n"
    "Nothing is sent and no register is needed.\n"
    "\n"
    "Options:\n"
    "  --decimal comma|dot    decimal mark of the numeric fields (default comma;\n"
    "                         the other character is a grouping mark and makes\n"
    "                         the field read as 0)\n"
    "  --input-encoding NAME  encoding of FILE: Default, ASCII, 437, 737 or 1253\n"
    "                         (default: Default, the system's code page)\n"
    "  -h, --help             show this text\n"
    "\n"
    "Lines end at CR LF, a lone CR or a lone LF and are numbered from 1. Blank\n"
    "lines are skipped but counted. For each frame one line is printed:\n"
    "\n"
    "  Line<N>(<line as read>) TAB <command id> TAB <frame bytes in hex>\n"
    "\n"
    "The frame is complete (header, payload, CRC) with packet number = the\n"
    "position of the command within its line, from 0, and ECR id 123456.\n"
    "Sale numbers start at 1 for each run. An XX or ZZ line shows the frame\n"
    "that starts the X or Z report (command 30009 with 101 or 501); a clerk\n"
    "line (11) shows the login frame packed from its own fields (the bridge\n"
    "sends the stored password of the clerk when the line gives 0).\n"
    "\n"
    "Only the frames the lines themselves pack are shown: the status queries\n"
    "the bridge sends after a payment, a void or a login, and the probes\n"
    "before a Z report, depend on the register's answers and are not.\n"
    "\n"
    "The first line that fails is printed as\n"
    "\n"
    "  Line<N>(<line as read>) TAB ERROR TAB <message>\n"
    "\n"
    "and checking stops there.\n"
    "\n"
    "Exit status: 0 every line is fine, 1 a line failed, 2 wrong arguments or\n"
    "FILE cannot be read.\n"
    "\n"
    "Example: examples/check-example.txt (Windows Greek, --input-encoding 1253).\n";

constexpr const char* kLineDelimiter = "/";
constexpr const char* kEcrId = "123456";
constexpr const char* kXReportKey = "101";
constexpr const char* kZReportKey = "501";

struct TCheckOptions {
  TDecimalType Decimal = dtComma;
  int EncodingPos = 0;
  std::string File;
};

int UsageError(const std::string& message) {
  std::fprintf(stderr, "danvore-cli check: %s\n", message.c_str());
  std::fputs("Try 'danvore-cli check --help'.\n", stderr);
  return 2;
}

bool EqualNoCase(const std::string& a, const char* b) {
  std::size_t i = 0;
  for (; i < a.size() && b[i] != '\0'; ++i) {
    const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return i == a.size() && b[i] == '\0';
}

// Returns -1 when the arguments are fine, else the exit code to end with.
int ParseOptions(const TArgs& args, TCheckOptions& options) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--help" || arg == "-h") {
      std::fputs(kCheckHelp, stdout);
      return 0;
    }
    if (arg == "--decimal" || arg == "--input-encoding") {
      if (i + 1 >= args.size()) return UsageError(arg + " needs a value");
      const std::string& value = args[++i];
      if (arg == "--input-encoding") {
        options.EncodingPos = EncodingPosition(value);
        if (options.EncodingPos < 0) return UsageError("unknown input encoding '" + value + "'");
      } else if (EqualNoCase(value, "comma") || EqualNoCase(value, "dot")) {
        options.Decimal = EqualNoCase(value, "dot") ? dtDot : dtComma;
      } else {
        return UsageError("--decimal takes comma or dot, not '" + value + "'");
      }
    } else if (arg.size() > 1 && arg[0] == '-') {
      return UsageError("unknown option '" + arg + "'");
    } else if (options.File.empty()) {
      options.File = arg;
    } else {
      return UsageError("only one FILE can be checked");
    }
  }
  if (options.File.empty()) return UsageError("no FILE given");
  return -1;
}

std::string HexWithoutTrailingBlank(const TBytes& frame) {
  std::string hex = BytesToHex(frame);
  if (!hex.empty() && hex.back() == ' ') hex.pop_back();
  return hex;
}

// Frames packed commands as the bridge's link does before sending them.
class TFramePrinter {
 public:
  TFramePrinter() : FProtocol(&FCommands) {
    BuildCommandTable(FCommands);
    FProtocol.EcrID = kEcrId;
  }

  // False (and `error` set) when the command is not in the register's table.
  bool Frame(const TPackedData& item, std::uint32_t packNum, std::string& hex, std::string& error) {
    const TEcrCommand* row = FCommands.FindByID(static_cast<std::int32_t>(item.Command));
    if (!row) {
      error = SysErrorMessage(ERROR_BAD_COMMAND_CODE);
      return false;
    }
    FProtocol.hCmd.Assign(*row);
    FProtocol.bCommand = row->Command;
    FProtocol.PackNum = packNum;
    TBytes frame;
    FProtocol.PackBuffer(item.Data, static_cast<int>(item.Data.size()), frame);
    hex = HexWithoutTrailingBlank(frame);
    return true;
  }

 private:
  TEcrCommands FCommands;
  TProtocol FProtocol;
};

class TChecker {
 public:
  explicit TChecker(TDecimalType decimal) { FPacker.DecimalType = decimal; }

  // Prints the frames of one line; false after printing its error.
  bool CheckLine(int number, const std::string& line) {
    const std::string tag = Format("Line%d(%s)", number, line);
    try {
      ParseCommandLine(line, kLineDelimiter, FData, FPieces);
      if (FData.Kind == ckUnSupport) return Fail(tag, SysErrorMessage(ERROR_BAD_COMMAND_CODE));
      const TPackedList items = PackLine();
      for (std::size_t i = 0; i < items.size(); ++i) {
        std::string hex;
        std::string error;
        if (!FPrinter.Frame(items[i], static_cast<std::uint32_t>(i), hex, error)) {
          return Fail(tag, error);
        }
        std::printf("%s\t%u\t%s\n", tag.c_str(), static_cast<unsigned>(items[i].Command),
                    hex.c_str());
      }
      return true;
    } catch (const std::exception& e) {
      return Fail(tag, e.what());
    }
  }

 private:
  // The report lines run a report procedure in the bridge, which starts with
  // the print-report command; every other line sends what the packer makes.
  TPackedList PackLine() {
    if (FData.Kind == ckXReport) return {FPacker.PackPrintReportData(kXReportKey)};
    if (FData.Kind == ckZReport) return {FPacker.PackPrintReportData(kZReportKey)};
    return FPacker.PackData(FData);
  }

  static bool Fail(const std::string& tag, const std::string& message) {
    std::printf("%s\tERROR\t%s\n", tag.c_str(), message.c_str());
    return false;
  }

  TPacker FPacker;
  TFramePrinter FPrinter;
  TCommandData FData;
  std::vector<std::string> FPieces;
};

}  // namespace

int RunCheck(const TArgs& args) {
  TCheckOptions options;
  const int exitCode = ParseOptions(args, options);
  if (exitCode >= 0) return exitCode;
  std::string bytes;
  if (!platform::ReadWholeFile(options.File, bytes)) {
    std::fprintf(stderr, "danvore-cli check: cannot read the file '%s'\n", options.File.c_str());
    return 2;
  }
  // Cut and skipped exactly as the bridge's worker does it.
  std::vector<std::string> lines;
  SplitTextLines(MakeTextEncoding(options.EncodingPos)->Decode(bytes), lines);
  TChecker checker(options.Decimal);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (IsBlankLine(lines[i])) continue;
    if (!checker.CheckLine(static_cast<int>(i + 1), lines[i])) return 1;
  }
  return 0;
}

}  // namespace danvore::cli
