#include "ecr-sim/faults.h"

namespace danvore::sim {

void TFaultPlan::AddStale(int count, int gapMs) {
  FStale += count;
  FStaleGapMs = gapMs;
}

void TFaultPlan::AddSplit(int gapMs, int count) {
  FSplit += count;
  FSplitGapMs = gapMs;
}

void TFaultPlan::Refuse(int id, int error, bool feForm) {
  FRefusals[id].push_back(TRefusal{error, feForm});
}

void TFaultPlan::Clear() {
  *this = TFaultPlan{};
}

bool TFaultPlan::Take(TArmed& armed, int id) {
  const auto found = armed.find(id);
  if (found == armed.end()) return false;
  std::deque<int>& queue = found->second;
  if (queue.front() > 0) {
    --queue.front();
    return false;
  }
  queue.pop_front();
  if (queue.empty()) armed.erase(found);
  return true;
}

void TFaultPlan::Describe(const char* name, const TArmed& armed, std::string& text) {
  for (const auto& [id, queue] : armed) {
    text += std::string(name) + " " + std::to_string(id) + " x" + std::to_string(queue.size());
    if (queue.front() > 0) text += " after " + std::to_string(queue.front());
    text += "\n";
  }
}

TFaultDecision TFaultPlan::Decide(int id) {
  TFaultDecision decision;
  decision.DelayMs = FDelayMs;
  if (FCloseCountdown > 0 && --FCloseCountdown == 0) decision.CloseAfterReply = true;
  if (FDropCountdown > 0 && --FDropCountdown == 0) {
    decision.Ignore = true;
    return decision;
  }
  const auto refusal = FRefusals.find(id);
  if (refusal != FRefusals.end()) {
    decision.Refuse = true;
    decision.RefuseError = refusal->second.front().Error;
    decision.RefuseFeForm = refusal->second.front().FeForm;
    refusal->second.pop_front();
    if (refusal->second.empty()) FRefusals.erase(refusal);
  } else {
    // Every armed count sees every request of its id, so NTH keeps counting
    // from the moment it was armed whatever else fires; a close that falls
    // on a dropped request wins, as neither sends a reply.
    const bool drop = Take(FExecuteDrop, id);
    decision.CloseWithoutReply = Take(FExecuteClose, id);
    decision.DropReply = drop && !decision.CloseWithoutReply;
    decision.Kill = Take(FExitAfter, id);
    decision.KillPid = FKillPid;
  }
  if (decision.DropReply || decision.CloseWithoutReply || decision.Kill) return decision;
  if (FStale > 0) {
    --FStale;
    decision.Stale = true;
    decision.StaleGapMs = FStaleGapMs;
  }
  if (FGarbage > 0) {
    --FGarbage;
    decision.Garbage = true;
  }
  if (FSplit > 0) {
    --FSplit;
    decision.SplitGapMs = FSplitGapMs;
  }
  return decision;
}

std::string TFaultPlan::Describe() const {
  std::string text;
  const auto add = [&text](const std::string& line) { text += line + "\n"; };
  if (FDelayMs > 0) add("delay " + std::to_string(FDelayMs));
  if (FDropCountdown > 0) add("drop " + std::to_string(FDropCountdown));
  if (FStale > 0) add("stale " + std::to_string(FStale) + " " + std::to_string(FStaleGapMs));
  if (FGarbage > 0) add("garbage " + std::to_string(FGarbage));
  if (FSplit > 0) add("split " + std::to_string(FSplitGapMs) + " " + std::to_string(FSplit));
  if (FCloseCountdown > 0) add("close-after " + std::to_string(FCloseCountdown));
  for (const auto& [id, queue] : FRefusals) {
    for (const TRefusal& refusal : queue) {
      add("refuse " + std::to_string(id) + " " + std::to_string(refusal.Error) +
          (refusal.FeForm ? " fe" : ""));
    }
  }
  Describe("exec-drop", FExecuteDrop, text);
  Describe("exec-close", FExecuteClose, text);
  Describe("exit-after", FExitAfter, text);
  if (FKillPid > 0) add("kill-pid " + std::to_string(FKillPid));
  return text.empty() ? "no faults\n" : text;
}

}  // namespace danvore::sim
