// One command file of 100 lines from pick-up to answer file, through the
// worker's own steps, against the in-process simulator on TCP loopback and
// on a pseudo-terminal; and how the search for the next file scales with
// the number of files waiting.
#include <benchmark/benchmark.h>
#include <time.h>

#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "core/config.h"
#include "core/logger.h"
#include "core/program_dir.h"
#include "ecr-sim/simulator.h"
#include "encoding/text_encoding.h"
#include "manager/command_file.h"
#include "manager/manager.h"
#include "platform/clock.h"
#include "platform/fs.h"

namespace {

using namespace danvore;

double ThreadCpuSeconds() {
  struct timespec now {};
  ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

class TScratch {
 public:
  TScratch() {
    std::random_device random;
    FPath = (std::filesystem::temp_directory_path() / ("danvore_bench_" + std::to_string(random())))
                .string() +
            "/";
    std::filesystem::create_directories(FPath + "in");
  }
  ~TScratch() { std::filesystem::remove_all(FPath); }
  const std::string& Dir() const { return FPath; }

 private:
  std::string FPath;
};

// 99 sale lines and a payment.
std::string HundredLineFile() {
  std::string text = "SL/Item/1/1/1,00\r\n";
  for (int i = 0; i < 98; ++i)
    text += "SL/Item " + std::to_string(i) + "/1/1/1,00\r\n";
  return text + "CR/1/99,00\r\n";
}

void RunFiles(benchmark::State& state, TConnMode mode, const std::string& host, int port) {
  TScratch scratch;
  SetProgramDir(scratch.Dir());
  // The process-wide configuration stays bound to the folder it was made
  // for: a fresh one for this run's folder.
  FreeConfig();
  TIniConfig& config = GetConfig();
  config.ConnKind = mode;
  config.Host = host;
  config.Port = port;
  config.AppRunning = true;
  TManager manager;
  manager.SetInEncoding(MakeTextEncoding(4));
  manager.SetOutEncoding(MakeTextEncoding(4));
  manager.SetLineDelimiter("/");
  manager.MinFileAgeSeconds = 0;
  manager.SetAnswerDir(scratch.Dir() + "answer");
  const std::string dated = DatedAnswerFolder(manager.AnswerDir(), platform::LocalNow());
  platform::ForceDirectories(dated);
  const std::string file = HundredLineFile();
  std::vector<std::string> lines;
  std::string lastError;
  SetLogTap([&lastError](TLogLevel level, const std::string& text) {
    if (level == llError) lastError = text;
  });
  double cpu = 0;
  for (auto _ : state) {
    const std::string path = scratch.Dir() + "in/R001.txt";
    platform::WriteFileAtomic(path, file);
    const double start = ThreadCpuSeconds();
    const std::string found = manager.FindCommandFile(scratch.Dir() + "in", "*.txt");
    if (found.empty() || !manager.HandleFile(dated, found, lines)) {
      state.SkipWithError(("the file was not answered: " + lastError).c_str());
      break;
    }
    cpu += ThreadCpuSeconds() - start;
  }
  SetLogTap(nullptr);
  state.counters["bridge_cpu_ms_per_file"] =
      benchmark::Counter(cpu * 1e3 / static_cast<double>(state.iterations()));
}

void BM_HundredLineFileTcp(benchmark::State& state) {
  sim::TSimulator simulator;
  const std::uint16_t port = simulator.StartTcp("127.0.0.1", 0);
  RunFiles(state, cmTCPClient, "127.0.0.1", port);
  simulator.Stop();
}
BENCHMARK(BM_HundredLineFileTcp)->UseRealTime()->Unit(benchmark::kMillisecond)->Iterations(20);

// Every serial exchange ends only after the line has been quiet for 70 ms.
void BM_HundredLineFilePty(benchmark::State& state) {
  sim::TSimulator simulator;
  const std::string slave = simulator.StartPty("");
  RunFiles(state, cmCOM, slave, 115200);
  simulator.Stop();
}
BENCHMARK(BM_HundredLineFilePty)->UseRealTime()->Unit(benchmark::kMillisecond)->Iterations(2);

// The worker looks only at the first entry of the folder: the cost of a
// search should not grow with the number of files waiting.
void BM_FindFirstCommandFile(benchmark::State& state) {
  TScratch scratch;
  const std::string in = scratch.Dir() + "in";
  for (int i = 0; i < state.range(0); ++i)
    platform::WriteFileAtomic(in + "/f" + std::to_string(i) + ".txt", "QQ\r\n");
  TManager manager;
  manager.MinFileAgeSeconds = 0;
  for (auto _ : state)
    benchmark::DoNotOptimize(manager.FindCommandFile(in, "*.txt"));
  state.SetLabel(std::to_string(state.range(0)) + " files waiting");
}
BENCHMARK(BM_FindFirstCommandFile)->Arg(1)->Arg(10000)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
