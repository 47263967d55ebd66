#include "manager/bridge.h"

#include "core/config.h"
#include "core/format.h"
#include "core/logger.h"
#include "encoding/text_encoding.h"
#include "manager/operator_prompt.h"

namespace danvore {

void StopWorkerAndLogger(std::unique_ptr<TManager>& Manager) {
  if (Manager) {
    Manager->Terminate();
    Manager->WaitFor();
    Manager.reset();
  }
  if (GLogger) {
    GLogger->Terminate();
    GLogger->WaitFor();
    GLogger.reset();
  }
}

TBridge::~TBridge() {
  Stop();
}

void TBridge::Start(IOperatorPrompt* Prompt, bool StartWorker) {
  FStarted = true;
  TIniConfig& config = GetConfig();
  config.AppRunning = true;
  GLogger = std::make_unique<TLogger>(std::string());
  config.ReadConfig();
  FPrompt = Prompt;
  FManager = std::make_unique<TManager>();
  FManager->SetDecimalType(config.DecimalType == dtDot ? dtDot : dtComma);
  FManager->SetInEncoding(MakeTextEncoding(EncodingPosition(config.InEncodingName)));
  FManager->SetOutEncoding(MakeTextEncoding(EncodingPosition(config.OutEncodingName)));
  FManager->SetLineDelimiter("/");
  FManager->SetReceiptsDir(config.SourceDataPath);
  FManager->SetAnswerDir(config.AnswerPath);
  FManager->SetSuspendWork(config.SourceDataPath.empty());
  FManager->SetOperatorPrompt(Prompt);
  if (StartWorker) FManager->Start();
  WriteLog(Format("APP Started, Connect Text(%s:%d)", config.Host, config.Port), llInfor);
}

void TBridge::Stop() {
  if (!FStarted) return;
  FStarted = false;
  GetConfig().AppRunning = false;
  if (FPrompt != nullptr) FPrompt->Abort();
  StopWorkerAndLogger(FManager);
  FPrompt = nullptr;
}

}  // namespace danvore
