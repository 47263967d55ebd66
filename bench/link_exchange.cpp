// The register link against the in-process simulator: latency of one
// request/reply exchange on TCP loopback and on a pseudo-terminal, the
// bridge thread's processor time per exchange, and the processor time of a
// serial read that waits on a silent line (it should block, not spin).
#include <benchmark/benchmark.h>
#include <time.h>

#include <memory>
#include <string>

#include "core/config.h"
#include "ecr-sim/simulator.h"
#include "link/hecr_link.h"
#include "link/serial_transport.h"

namespace {

using namespace danvore;

constexpr std::int32_t kStatusId = 20000;

// Processor time of the calling thread only: the simulator's own thread in
// the same process is not counted.
double ThreadCpuSeconds() {
  struct timespec now {};
  ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

void RunExchanges(benchmark::State& state, const TConnParams& params) {
  GetConfig().AppRunning = true;
  THecrLink link;
  link.ConnParams = params;
  TBytes buffer;
  const double cpuStart = ThreadCpuSeconds();
  for (auto _ : state) {
    buffer.clear();
    const TResult result = link.SendBuffer(kStatusId, buffer, 1, 0, 2000, 0, "123456");
    if (result.Code != rcSuccess) {
      state.SkipWithError(("exchange failed: " + result.Msg).c_str());
      break;
    }
  }
  const double cpu = ThreadCpuSeconds() - cpuStart;
  state.counters["bridge_cpu_us_per_exchange"] =
      benchmark::Counter(cpu * 1e6 / static_cast<double>(state.iterations()));
  link.Close();
}

void BM_ExchangeTcpLoopback(benchmark::State& state) {
  sim::TSimulator simulator;
  const std::uint16_t port = simulator.StartTcp("127.0.0.1", 0);
  RunExchanges(state, TConnParams{cmTCPClient, "127.0.0.1", port});
  simulator.Stop();
}
BENCHMARK(BM_ExchangeTcpLoopback)->UseRealTime()->Unit(benchmark::kMicrosecond);

// A serial exchange cannot end before the line has been quiet for 70 ms,
// so its latency is about 70 ms plus the transfer.
void BM_ExchangePty(benchmark::State& state) {
  sim::TSimulator simulator;
  const std::string slave = simulator.StartPty("");
  RunExchanges(state, TConnParams{cmCOM, slave, 115200});
  simulator.Stop();
}
BENCHMARK(BM_ExchangePty)->UseRealTime()->Unit(benchmark::kMillisecond)->Iterations(30);

void BM_SilentSerialRead(benchmark::State& state) {
  GetConfig().AppRunning = true;
  sim::TSimulator simulator;
  const std::string slave = simulator.StartPty("");
  TSerialTransport transport({cmCOM, slave, 9600});
  transport.Open();
  const double cpuStart = ThreadCpuSeconds();
  for (auto _ : state) {
    benchmark::DoNotOptimize(transport.ReadAvailable());
  }
  const double cpu = ThreadCpuSeconds() - cpuStart;
  state.counters["cpu_us_per_wait"] =
      benchmark::Counter(cpu * 1e6 / static_cast<double>(state.iterations()));
  transport.Close();
  simulator.Stop();
}
BENCHMARK(BM_SilentSerialRead)->UseRealTime()->Unit(benchmark::kMillisecond)->Iterations(20);

}  // namespace

BENCHMARK_MAIN();
