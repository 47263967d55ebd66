// Throughput of the bridge's own work on a command file, without a register:
// cutting lines into fields, packing them into register commands and
// framing every command, for a typical receipt mix.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "link/ecr_command.h"
#include "link/protocol.h"
#include "manager/command_file.h"
#include "packing/command_data.h"
#include "packing/packer.h"

namespace {

using namespace danvore;

// A receipt as point-of-sale programs write them: login, items, a refund,
// discounts, a subtotal discount, tail text and a payment.
const std::vector<std::string>& ReceiptMix() {
  static const std::vector<std::string> lines = {
      "11/3/333",
      "SL/Espresso/1/1/2,50",
      "SL/Cappuccino freddo/2/2/3,80",
      "SL/Club sandwich/3/1/7,90",
      "RF/Espresso/1/1/2,50",
      "SL/Mineral water 0.5L/4/3/0,50",
      "D%/10",
      "DE/0,30",
      "T%/5",
      "HL/Thank you/See you soon",
      "CR/1/20,00",
  };
  return lines;
}

const TEcrCommands& Table() {
  static const TEcrCommands table = [] {
    TEcrCommands commands;
    BuildCommandTable(commands);
    return commands;
  }();
  return table;
}

void BM_PackAndFrameReceiptLines(benchmark::State& state) {
  TPacker packer;
  TCommandData data;
  std::vector<std::string> pieces;
  TProtocol protocol(&Table());
  TBytes frame;
  std::uint32_t packNum = 0;
  for (auto _ : state) {
    for (const std::string& line : ReceiptMix()) {
      ParseCommandLine(line, "/", data, pieces);
      for (const TPackedData& item : packer.PackData(data)) {
        const TEcrCommand* command = Table().FindByID(static_cast<std::int32_t>(item.Command));
        protocol.hCmd.Command = command->Command;
        protocol.PackNum = ++packNum;
        protocol.PackBuffer(item.Data, static_cast<int>(item.Data.size()), frame);
        benchmark::DoNotOptimize(frame.data());
      }
    }
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(ReceiptMix().size()));
  state.SetLabel("items/s = lines per second");
}
BENCHMARK(BM_PackAndFrameReceiptLines);

// Reading a command file into lines, as the worker does before it runs them.
void BM_SplitCommandFile(benchmark::State& state) {
  std::string text;
  for (int i = 0; i < 100; ++i)
    for (const std::string& line : ReceiptMix())
      text += line + "\r\n";
  std::vector<std::string> lines;
  for (auto _ : state) {
    SplitTextLines(text, lines);
    benchmark::DoNotOptimize(lines.data());
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(lines.size()));
  state.SetLabel("items/s = lines per second");
}
BENCHMARK(BM_SplitCommandFile);

}  // namespace

BENCHMARK_MAIN();
