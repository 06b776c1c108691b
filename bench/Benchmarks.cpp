// Wall-clock benchmarks: each catalogue function called once through Execute; the array
// functions per element at three lengths beside the plain loop of the same host work; an array
// call beside the same work done as single calls; and the price formula alone.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "bench/PlainLoop.h"
#include "bench/Stage.h"
#include "economy/Price.h"
#include "plugin/Catalogue.h"

namespace vialmark::bench {
namespace {

constexpr u32 kLengths[] = {10, 1000, kLargestArray};

// A single call with typical arguments; array functions over kTypicalArray elements.
void Call(benchmark::State& state, std::string name) {
  Stage& stage = Stage::Get();
  const PreparedCall call = stage.Typical(name);
  for (auto _ : state) benchmark::DoNotOptimize(Stage::Run(call));
  stage.Release(call);
}

// Elements per second; scripts/bench turns the medians into time per element. (A counter of
// its own would not do: the CSV output wants the same counters in every benchmark.)
void PerElement(benchmark::State& state, u32 elements) {
  state.SetItemsProcessed(static_cast<i64>(state.iterations()) * elements);
}

void Array(benchmark::State& state, std::string name) {
  const auto elements = static_cast<u32>(state.range(0));
  Stage& stage = Stage::Get();
  const PreparedCall call = stage.Typical(name, elements);
  for (auto _ : state) benchmark::DoNotOptimize(Stage::Run(call));
  stage.Release(call);
  PerElement(state, elements);
}

void Plain(benchmark::State& state, std::string name) {
  const auto elements = static_cast<u32>(state.range(0));
  PlainWork work = MakePlainWork(Stage::Get(), name, elements);
  for (auto _ : state) {
    RunPlain(work);
    benchmark::ClobberMemory();
  }
  PerElement(state, elements);
}

void Singles(benchmark::State& state, std::string name) {
  const auto elements = static_cast<u32>(state.range(0));
  Stage& stage = Stage::Get();
  const std::vector<PreparedCall> calls = stage.Singles(name, elements);
  for (auto _ : state) {
    for (const PreparedCall& call : calls) benchmark::DoNotOptimize(Stage::Run(call));
  }
  for (const PreparedCall& call : calls) stage.Release(call);
  PerElement(state, elements);
}

void Formula(benchmark::State& state) {
  u32 value = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(ComputePrice(value, kExponent, kDivisor, kMultiplier, kAddend));
    value = (value + 37) & 0xFFFF;
  }
}

void RegisterAll() {
  for (const CatalogueEntry& entry : kCatalogue) {
    benchmark::RegisterBenchmark(("call/" + std::string(entry.name)).c_str(), Call,
                                 std::string(entry.name));
  }
  for (std::string_view name : ArrayFunctions()) {
    for (const char* kind : {"array", "plain"}) {
      auto* b = benchmark::RegisterBenchmark((std::string(kind) + "/" + std::string(name)).c_str(),
                                             kind[0] == 'a' ? Array : Plain, std::string(name));
      for (u32 length : kLengths) b->Arg(length);
    }
  }
  for (const char* name : {"SetSinglePotionPrice", "FillSinglePotionGoldValue"}) {
    auto* b = benchmark::RegisterBenchmark(("singles/" + std::string(name)).c_str(), Singles,
                                           std::string(name));
    for (u32 length : kLengths) b->Arg(length);
  }
  benchmark::RegisterBenchmark("formula/ComputePrice", Formula);
}

}  // namespace
}  // namespace vialmark::bench

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  vialmark::bench::RegisterAll();
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
