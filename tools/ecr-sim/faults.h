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
  void ExecuteThenDrop(int id) { ++FExecuteDrop[id]; }
  void ExecuteThenClose(int id) { ++FExecuteClose[id]; }
  void ExitAfter(int id) { ++FExitAfter[id]; }
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
  static bool Take(std::map<int, int>& armed, int id);

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
  std::map<int, int> FExecuteDrop;
  std::map<int, int> FExecuteClose;
  std::map<int, int> FExitAfter;
};

}  // namespace danvore::sim
