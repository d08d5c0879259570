// Compile speed on a generated program near the compiler's capacities, against a pass that
// only splits the same text into lines and tokens.
#include <benchmark/benchmark.h>

#include <string>

#include "compiler/compiler.h"

namespace {

using vn::compiler::Compiler;

// A VNM program of `lines` statement lines: one BYTE variable and one label per line, each
// line an assignment with a three-operand expression (12 code bytes), and a constant array
// every 50 lines. 5000 lines come to about 60000 code bytes, 5000 variables and 5100 labels.
std::string Program(int lines) {
  std::string s = "CONST DEVICE = WF\r\n";
  for (int i = 0; i < lines; ++i) s += "DIM V" + std::to_string(i) + " AS BYTE\r\n";
  for (int i = 0; i < lines; ++i) {
    const std::string v = "V" + std::to_string(i);
    const std::string w = "V" + std::to_string((i * 7) % lines);
    if (i % 50 == 0) s += "CONST BYTE T" + std::to_string(i) + " = (1, 2)\r\n";
    s += "L" + std::to_string(i) + ": " + v + " = " + w + " + 3 ' step " + std::to_string(i) + "\r\n";
  }
  return s;
}

void BM_Compile(benchmark::State& state) {
  const std::string source = Program(static_cast<int>(state.range(0)));
  Compiler c;
  for (auto _ : state) {
    if (c.CompileSource(source) != 0) state.SkipWithError(c.Outcome.message.en.c_str());
    benchmark::DoNotOptimize(c.CodeAddr);
  }
  state.counters["code_bytes"] = static_cast<double>(c.CodeAddr);
  state.counters["labels"] = c.LabelCount();
  state.counters["variables"] = c.VarCount();
  state.SetComplexityN(state.range(0));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(source.size()));
}

// The same text split into lines and tokens only: the floor a one-pass compiler stands on.
void BM_LexOnly(benchmark::State& state) {
  const std::string source = Program(static_cast<int>(state.range(0)));
  Compiler c;
  vn::compiler::ApplyDeviceCode(c.Device, *vn::compiler::FindDeviceCode("WF"));
  for (auto _ : state) {
    const auto split = vn::core::SplitSource(source);
    size_t tokens = 0;
    for (const auto& line : split.lines) {
      c.SrcLine = line;
      c.ScanPos = 1;
      c.ScanEnd = static_cast<int>(line.size()) + 1;
      for (c.NextToken(); !c.Token.empty(); c.NextToken()) ++tokens;
    }
    benchmark::DoNotOptimize(tokens);
  }
  state.SetComplexityN(state.range(0));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(source.size()));
}

BENCHMARK(BM_Compile)->RangeMultiplier(2)->Range(625, 5000)->Complexity(benchmark::oN)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LexOnly)->RangeMultiplier(2)->Range(625, 5000)->Complexity(benchmark::oN)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
