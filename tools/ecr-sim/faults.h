// Faults the simulator injects into its replies and connections, armed from
// the command line or at run time and consumed request by request.
#pragma once

#include <deque>
#include <map>
#include <string>

namespace danvore::sim {

// What to do with one request, decided when it arrives.
struct TFaultDecision {
  bool Ignore = false;  // lost on the way: neither executed nor answered
  bool Refuse = false;  // answered with an error reply, not executed
  int RefuseError = 0;
  bool RefuseFeForm = false;
  bool DropReply = false;          // executed, never answered
  bool CloseWithoutReply = false;  // executed, then the connection is closed
  bool Kill = false;               // executed, then the process KillPid ends
  int KillPid = 0;                 // 0: the simulator ends itself
  bool CloseAfterReply = false;
  bool Stale = false;    // a reply with another packet number comes first
  int StaleGapMs = 0;    // pause between that reply and the real one
  bool Garbage = false;  // noise bytes come right before the reply
  int SplitGapMs = -1;   // >= 0: the reply leaves in two bursts this far apart
  int DelayMs = 0;       // pause before the reply
};

class TFaultPlan {
 public:
  void SetDelay(int ms) { FDelayMs = ms; }
  // The nth request from now (1 = the next) is lost.
  void DropRequest(int nth) { FDropCountdown = nth; }
  void AddStale(int count, int gapMs);
  void AddGarbage(int count) { FGarbage += count; }
  void AddSplit(int gapMs, int count);
  // The connection is closed after the reply to the nth request from now.
  void CloseAfter(int requests) { FCloseCountdown = requests; }
  // The next request with command id `id` gets error `error`.
  void Refuse(int id, int error, bool feForm);
  // Each of these hits the nth request with command id `id` from now (1 =
  // the next); faults armed earlier for that id and kind come first.
  void ExecuteThenDrop(int id, int nth = 1) { FExecuteDrop[id].push_back(nth - 1); }
  void ExecuteThenClose(int id, int nth = 1) { FExecuteClose[id].push_back(nth - 1); }
  void ExitAfter(int id, int nth = 1) { FExitAfter[id].push_back(nth - 1); }
  void SetKillPid(int pid) { FKillPid = pid; }
  void Clear();

  TFaultDecision Decide(int id);
  // One line per armed fault, for the "faults" command.
  std::string Describe() const;

 private:
  struct TRefusal {
    int Error;
    bool FeForm;
  };
  // Per command id, one entry per armed fault: the requests of that id it
  // still lets pass.
  using TArmed = std::map<int, std::deque<int>>;
  static bool Take(TArmed& armed, int id);
  static void Describe(const char* name, const TArmed& armed, std::string& text);

  int FDelayMs = 0;
  int FDropCountdown = 0;
  int FStale = 0;
  int FStaleGapMs = 0;
  int FGarbage = 0;
  int FSplit = 0;
  int FSplitGapMs = 0;
  int FCloseCountdown = 0;
  int FKillPid = 0;
  std::map<int, std::deque<TRefusal>> FRefusals;
  TArmed FExecuteDrop;
  TArmed FExecuteClose;
  TArmed FExitAfter;
};

}  // namespace danvore::sim
