// Start-up and shut-down of the bridge without its window, shared by the
// headless program and the desktop application: logger, settings, worker.
#pragma once

#include <memory>

#include "manager/manager.h"

namespace danvore {

class IOperatorPrompt;
class TIniConfig;

// A worker set up as both programs run it: the given decimal symbol and
// encodings (positions in the encoding list), "/" between fields, the
// folders of the configuration, paused without a command folder. Its thread
// is not started.
std::unique_ptr<TManager> MakeWorker(TDecimalType Decimal, int InEncodingPos, int OutEncodingPos,
                                     const TIniConfig& Config, IOperatorPrompt* Prompt);
// The start-up line of the log: "APP Started, Connect Text(host:port)".
void LogStarted(const TIniConfig& Config);

// Ends the worker, when there is one (it sends the disconnect command),
// then the file logger; both are gone afterwards.
void StopWorkerAndLogger(std::unique_ptr<TManager>& Manager);

class TBridge {
 public:
  TBridge() = default;
  // Stops whatever still runs.
  ~TBridge();
  TBridge(const TBridge&) = delete;
  TBridge& operator=(const TBridge&) = delete;

  // Marks the application running, starts the file logger, reads
  // Config.Ini and creates the worker with the configured folders,
  // encodings, decimal symbol and the "/" delimiter; the worker pauses when
  // no command folder is set. StartWorker false leaves its thread unstarted
  // (the manual operations of the command line). Throws when the logger
  // cannot start.
  void Start(IOperatorPrompt* Prompt, bool StartWorker = true);
  // The application stops: the register link gives up at once, the worker
  // ends (sending the disconnect command), then the logger.
  void Stop();

  // Null before Start and after Stop.
  TManager* Manager() { return FManager.get(); }

 private:
  bool FStarted = false;
  IOperatorPrompt* FPrompt = nullptr;
  std::unique_ptr<TManager> FManager;
};

}  // namespace danvore
