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

std::unique_ptr<TManager> MakeWorker(TDecimalType Decimal, int InEncodingPos, int OutEncodingPos,
                                     const TIniConfig& Config, IOperatorPrompt* Prompt) {
  auto worker = std::make_unique<TManager>();
  worker->SetDecimalType(Decimal);
  worker->SetInEncoding(MakeTextEncoding(InEncodingPos));
  worker->SetOutEncoding(MakeTextEncoding(OutEncodingPos));
  worker->SetLineDelimiter("/");
  worker->SetReceiptsDir(Config.SourceDataPath);
  worker->SetAnswerDir(Config.AnswerPath);
  worker->SetSuspendWork(Config.SourceDataPath.empty());
  worker->SetOperatorPrompt(Prompt);
  return worker;
}

void LogStarted(const TIniConfig& Config) {
  WriteLog(Format("APP Started, Connect Text(%s:%d)", Config.Host, Config.Port), llInfor);
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
  FManager = MakeWorker(config.DecimalType == dtDot ? dtDot : dtComma,
                        EncodingPosition(config.InEncodingName),
                        EncodingPosition(config.OutEncodingName), config, Prompt);
  if (StartWorker) FManager->Start();
  LogStarted(config);
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
