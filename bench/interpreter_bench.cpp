// Speed of the virtual module's interpreter: statements per second on tight loops of simple
// statements, compiled from BASIC as a user would write them.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "compiler/compiler.h"
#include "sim/interpreter.h"

namespace {

std::vector<std::uint8_t> Compile(const std::string& device, const std::vector<std::string>& lines, vn::sim::Series& series) {
  vn::compiler::Compiler c;
  vn::compiler::ApplyDeviceCode(c.Device, *vn::compiler::FindDeviceCode(device));
  std::string source;
  for (const auto& l : lines) source += l + "\r\n";
  if (c.CompileSource(source) != 0) return {};
  series = c.Device.DeviceKind == 1 ? vn::sim::Series::kVn : vn::sim::Series::kVnm;
  std::vector<std::uint8_t> code;
  for (long a = 0; a < c.CodeAddr; ++a) code.push_back(c.Code.Get(a));
  return code;
}

void RunLoop(benchmark::State& state, const std::string& device, const std::vector<std::string>& lines) {
  vn::sim::Series series = vn::sim::Series::kVn;
  const auto code = Compile(device, lines, series);
  if (code.empty()) {
    state.SkipWithError("the program does not compile");
    return;
  }
  vn::sim::Interpreter vm(series, code);
  constexpr std::uint64_t kChunk = 1'000'000;
  std::uint64_t statements = 0;
  for (auto _ : state) {
    const vn::sim::Stop s = vm.Run(kChunk);
    if (s.reason != vn::sim::StopReason::kStepLimit) {
      state.SkipWithError("the loop stopped");
      return;
    }
    statements += s.steps;
  }
  state.counters["statements/s"] = benchmark::Counter(static_cast<double>(statements), benchmark::Counter::kIsRate);
}

// The tight arithmetic loop: two assignments and the jump back, all on BYTE variables.
void BM_VnArithmeticLoop(benchmark::State& state) {
  RunLoop(state, "KF", {"DIM A AS BYTE, B AS BYTE", "TOP: A = A + 1", "B = B XOR A", "GOTO TOP"});
}
BENCHMARK(BM_VnArithmeticLoop)->Unit(benchmark::kMillisecond);

// INTEGER arithmetic with two operators and a FOR loop (VNM shape: test and count in one).
void BM_VnmForLoop(benchmark::State& state) {
  RunLoop(state, "WF",
          {"DIM I AS INTEGER, S AS INTEGER", "TOP: FOR I = 1 TO 1000", "S = S + I * 3", "NEXT", "GOTO TOP"});
}
BENCHMARK(BM_VnmForLoop)->Unit(benchmark::kMillisecond);

// A condition and a LONG sum.
void BM_VnmIfLoop(benchmark::State& state) {
  RunLoop(state, "WF",
          {"DIM L AS LONG, K AS BYTE", "TOP: K = K + 1", "IF K > 100 AND L < 100000 THEN L = L + K", "GOTO TOP"});
}
BENCHMARK(BM_VnmIfLoop)->Unit(benchmark::kMillisecond);

// SINGLE arithmetic.
void BM_VnmSingleLoop(benchmark::State& state) {
  RunLoop(state, "WF", {"DIM F AS SINGLE, G AS SINGLE", "TOP: F = F + 0.5", "G = F * 1.5", "GOTO TOP"});
}
BENCHMARK(BM_VnmSingleLoop)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
