#include "ecr-sim/control.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>

#include "core/format.h"

namespace danvore::sim {

namespace {

constexpr char kHelp[] =
    "Commands (standard input, one per line; numbers in decimal or 0x hex):\n"
    "  help                          this list\n"
    "  quit                          stop the simulator\n"
    "  state                         status word, receipt, totals, transfer, clerk\n"
    "  faults                        the faults that are armed\n"
    "  clear-faults                  disarm every fault\n"
    "  delay MS                      delay every reply by MS ms (0: no delay)\n"
    "  drop N                        lose the Nth request from now: no execution, no reply\n"
    "  stale [COUNT [GAP_MS]]        precede the next COUNT replies (1) by a reply with\n"
    "                                another packet number, GAP_MS (200) before the real one\n"
    "  garbage [COUNT]               precede the next COUNT replies (1) by noise bytes\n"
    "  split MS [COUNT]              send the next COUNT replies (1) in two bursts MS ms apart\n"
    "  close-after N                 close the connection after the reply to the Nth request\n"
    "  refuse ID ERROR [fe]          answer the next command ID with error ERROR, without\n"
    "                                executing it; 'fe': the 0xFE form of the error reply\n"
    "  exec-drop ID [NTH]            execute the NTH (1) next command ID, send no reply\n"
    "  exec-close ID [NTH]           execute the NTH (1) next command ID, then close the\n"
    "                                connection\n"
    "  exit-after ID [NTH]           execute the NTH (1) next command ID, then kill the process\n"
    "                                set with kill-pid (without one: the simulator exits at once)\n"
    "  kill-pid PID                  the process that exit-after kills\n"
    "  status BITS [TEXT]            set the status word: 0x01/0x02 pending data, 0x04 connect\n"
    "                                required, 0x08 error condition; TEXT: the status text\n"
    "  pending FIRST SECOND          non-empty answers to 20002 and to 10009 before empty ones\n"
    "  transfer STATUS ATTEMPTS [DONE [LENGTH]]\n"
    "                                end-of-day transfer state; LENGTH 1..3 bytes of answer\n"
    "  clerk ID PASSWORD             add or change a clerk\n"
    "  props-status N                Status byte of the properties answer\n"
    "  props-length N                length of the properties answer (26 or 28)\n"
    "  baud N                        speed at which the probe is answered (0: any)\n";

bool ParseNumber(const std::string& text, long long low, long long high, long long& out) {
  if (text.empty()) return false;
  char* end = nullptr;
  errno = 0;
  const long long value = std::strtoll(text.c_str(), &end, 0);
  if (errno != 0 || *end != '\0' || value < low || value > high) return false;
  out = value;
  return true;
}

// Reads the numeric arguments from position 1 on; the bounds give their
// count and ranges, and `optional` how many of them may be left out.
struct TArgs {
  const std::vector<std::string>& Words;
  std::string& Reply;

  bool Numbers(std::vector<long long>& values,
               const std::vector<std::pair<long long, long long>>& ranges,
               std::size_t optional) const {
    const std::size_t given = Words.size() - 1;
    if (given > ranges.size() || given + optional < ranges.size()) {
      Reply = "wrong number of arguments for " + Words[0];
      return false;
    }
    for (std::size_t i = 0; i < given; ++i) {
      long long value = 0;
      if (!ParseNumber(Words[i + 1], ranges[i].first, ranges[i].second, value)) {
        Reply = "bad number '" + Words[i + 1] + "' for " + Words[0];
        return false;
      }
      values[i] = value;
    }
    return true;
  }
};

constexpr long long kMaxInt = 0x7FFFFFFF;
using TRange = std::pair<long long, long long>;
const TRange kCount{1, kMaxInt};
const TRange kMs{0, 600000};
const TRange kId{0, kMaxInt};
const TRange kByte{0, 255};

// An omitted NTH is the next one.
int Nth(long long value) {
  return value < 0 ? 1 : static_cast<int>(value);
}

std::string StateSummary(const TRegisterState& s) {
  const TReceiptState& r = s.Receipt();
  const TDailyTotals& d = s.Daily();
  const TTransferState& t = s.Transfer();
  const std::string text = s.StatusText().empty() ? "" : " \"" + s.StatusText() + "\"";
  return Format("status 0x%02X%s\n", s.StatusWord(), text) +
         Format("receipt %s #%d items %d total %s paid %s\n", s.ReceiptOpen() ? "open" : "closed",
                r.Number, r.Items, FormatAmount(r.Total), FormatAmount(r.Paid)) +
         Format("daily receipts %d voided %d net %s z %d\n", d.Receipts, d.Voided,
                FormatAmount(d.Net()), s.ZCount()) +
         Format("transfer %d %d %d length %d\n", t.Status, t.Attempts, t.Done, t.ReplyLength) +
         Format("clerk %d baud %d pending %d %d\n", s.LastClerk(), s.Baud(), s.PendingFirst(),
                s.PendingSecond());
}

using THandler =
    std::function<bool(const std::vector<std::string>&, TControlTarget&, std::string&)>;

// A handler for a command whose arguments are all numbers.
THandler Numeric(std::vector<TRange> ranges, std::size_t optional,
                 std::function<void(const std::vector<long long>&, TControlTarget&)> apply) {
  return [ranges, optional, apply](const std::vector<std::string>& words, TControlTarget& target,
                                   std::string& reply) {
    std::vector<long long> values(ranges.size(), -1);
    if (!TArgs{words, reply}.Numbers(values, ranges, optional)) return false;
    apply(values, target);
    reply = "ok";
    return true;
  };
}

// A handler for a command without arguments that answers with text.
THandler Answer(std::function<std::string(TControlTarget&)> answer) {
  return
      [answer](const std::vector<std::string>& words, TControlTarget& target, std::string& reply) {
        if (words.size() != 1) {
          reply = "wrong number of arguments for " + words[0];
          return false;
        }
        reply = answer(target);
        return true;
      };
}

bool Refuse(const std::vector<std::string>& words, TControlTarget& target, std::string& reply) {
  const bool fe = words.size() == 4 && words[3] == "fe";
  std::vector<std::string> numbers(words.begin(), words.end() - (fe ? 1 : 0));
  std::vector<long long> values(2, 0);
  if (!TArgs{numbers, reply}.Numbers(values, {kId, {0, kMaxInt}}, 0)) return false;
  target.Faults.Refuse(static_cast<int>(values[0]), static_cast<int>(values[1]), fe);
  reply = "ok";
  return true;
}

bool Status(const std::vector<std::string>& words, TControlTarget& target, std::string& reply) {
  long long bits = 0;
  if (words.size() < 2 || !ParseNumber(words[1], 0, 0xFFFF, bits)) {
    reply = "status needs BITS (0..0xFFFF)";
    return false;
  }
  std::string text;
  for (std::size_t i = 2; i < words.size(); ++i) {
    text += (i > 2 ? " " : "") + words[i];
  }
  target.State.SetStatus(static_cast<std::uint16_t>(bits), text);
  reply = "ok";
  return true;
}

const std::map<std::string, THandler>& Handlers() {
  static const std::map<std::string, THandler> handlers = {
      {"help", Answer([](TControlTarget&) { return std::string(kHelp); })},
      {"quit", Answer([](TControlTarget& t) {
         t.Quit = true;
         return std::string("bye");
       })},
      {"state", Answer([](TControlTarget& t) { return StateSummary(t.State); })},
      {"faults", Answer([](TControlTarget& t) { return t.Faults.Describe(); })},
      {"clear-faults", Numeric({}, 0, [](auto&, TControlTarget& t) { t.Faults.Clear(); })},
      {"delay",
       Numeric({kMs}, 0,
               [](auto& v, TControlTarget& t) { t.Faults.SetDelay(static_cast<int>(v[0])); })},
      {"drop",
       Numeric({kCount}, 0,
               [](auto& v, TControlTarget& t) { t.Faults.DropRequest(static_cast<int>(v[0])); })},
      {"stale", Numeric({kCount, kMs}, 2,
                        [](auto& v, TControlTarget& t) {
                          t.Faults.AddStale(v[0] < 0 ? 1 : static_cast<int>(v[0]),
                                            v[1] < 0 ? 200 : static_cast<int>(v[1]));
                        })},
      {"garbage", Numeric({kCount}, 1,
                          [](auto& v, TControlTarget& t) {
                            t.Faults.AddGarbage(v[0] < 0 ? 1 : static_cast<int>(v[0]));
                          })},
      {"split", Numeric({kMs, kCount}, 1,
                        [](auto& v, TControlTarget& t) {
                          t.Faults.AddSplit(static_cast<int>(v[0]),
                                            v[1] < 0 ? 1 : static_cast<int>(v[1]));
                        })},
      {"close-after",
       Numeric({kCount}, 0,
               [](auto& v, TControlTarget& t) { t.Faults.CloseAfter(static_cast<int>(v[0])); })},
      {"refuse", Refuse},
      {"exec-drop", Numeric({kId, kCount}, 1,
                            [](auto& v, TControlTarget& t) {
                              t.Faults.ExecuteThenDrop(static_cast<int>(v[0]), Nth(v[1]));
                            })},
      {"exec-close", Numeric({kId, kCount}, 1,
                             [](auto& v, TControlTarget& t) {
                               t.Faults.ExecuteThenClose(static_cast<int>(v[0]), Nth(v[1]));
                             })},
      {"exit-after", Numeric({kId, kCount}, 1,
                             [](auto& v, TControlTarget& t) {
                               t.Faults.ExitAfter(static_cast<int>(v[0]), Nth(v[1]));
                             })},
      {"kill-pid",
       Numeric({kCount}, 0,
               [](auto& v, TControlTarget& t) { t.Faults.SetKillPid(static_cast<int>(v[0])); })},
      {"status", Status},
      {"pending", Numeric({{0, kMaxInt}, {0, kMaxInt}}, 0,
                          [](auto& v, TControlTarget& t) {
                            t.State.SetPending(static_cast<int>(v[0]), static_cast<int>(v[1]));
                          })},
      {"transfer", Numeric({kByte, kByte, kByte, {1, 3}}, 2,
                           [](auto& v, TControlTarget& t) {
                             TTransferState state = t.State.Transfer();
                             state.Status = static_cast<std::uint8_t>(v[0]);
                             state.Attempts = static_cast<std::uint8_t>(v[1]);
                             if (v[2] >= 0) state.Done = static_cast<std::uint8_t>(v[2]);
                             if (v[3] >= 0) state.ReplyLength = static_cast<int>(v[3]);
                             t.State.SetTransfer(state);
                           })},
      {"clerk", Numeric({{0, 0xFFFF}, {0, 0xFFFFFFFFLL}}, 0,
                        [](auto& v, TControlTarget& t) {
                          t.State.SetClerk(static_cast<int>(v[0]),
                                           static_cast<std::uint32_t>(v[1]));
                        })},
      {"props-status", Numeric({kByte}, 0,
                               [](auto& v, TControlTarget& t) {
                                 t.State.Properties().Status = static_cast<std::uint8_t>(v[0]);
                               })},
      {"props-length", Numeric({{0, 28}}, 0,
                               [](auto& v, TControlTarget& t) {
                                 t.State.Properties().Length = static_cast<int>(v[0]);
                               })},
      {"baud",
       Numeric({{0, 4000000}}, 0,
               [](auto& v, TControlTarget& t) { t.State.SetBaud(static_cast<int>(v[0])); })},
  };
  return handlers;
}

}  // namespace

std::vector<std::string> SplitWords(const std::string& line) {
  std::vector<std::string> words;
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r'))
      ++i;
    if (i >= line.size()) break;
    std::string word;
    if (line[i] == '"') {
      const std::size_t close = line.find('"', i + 1);
      const std::size_t end = close == std::string::npos ? line.size() : close;
      word = line.substr(i + 1, end - i - 1);
      i = end + 1;
    } else {
      while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r')
        word += line[i++];
    }
    words.push_back(word);
  }
  return words;
}

bool RunControl(const std::string& line, TControlTarget& target, std::string& reply) {
  const std::vector<std::string> words = SplitWords(line);
  reply.clear();
  if (words.empty() || words[0][0] == '#') return true;
  const auto handler = Handlers().find(words[0]);
  if (handler == Handlers().end()) {
    reply = "unknown command '" + words[0] + "' (try help)";
    return false;
  }
  return handler->second(words, target, reply);
}

const char* ControlHelp() {
  return kHelp;
}

}  // namespace danvore::sim
