// Instruction counts under callgrind: each measurement runs once unmeasured (so that pools,
// arrays and lazily built host tables exist), then `repeats` times with collection on, and
// dumps its counts under a label "kind name elements repeats" that scripts/bench divides out.
// Outside valgrind the client requests do nothing and the program only runs the calls.
//
//   valgrind --tool=callgrind --collect-atstart=no vialmark-count [part of a label]
#include <valgrind/callgrind.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "bench/PlainLoop.h"
#include "bench/Stage.h"
#include "economy/Price.h"
#include "plugin/Catalogue.h"

namespace vialmark::bench {
namespace {

constexpr u32 kLengths[] = {10, 1000, kLargestArray};

// Enough repeats that a call's count is an average, few enough for callgrind's pace.
u32 RepeatsFor(u32 elements) { return elements >= kLargestArray ? 1 : elements >= 1000 ? 3 : 20; }

struct Measurement {
  std::string label;
  std::function<void()> once;
  u32 repeats;
};

volatile u32 gSink = 0;

std::string gFilter;

// Whether a label is measured; checked before anything is prepared, so that a filtered run
// builds only the pools it needs.
bool Wanted(const std::string& label) {
  return gFilter.empty() || label.find(gFilter) != std::string::npos;
}

void Measure(const Measurement& m) {
  m.once();
  CALLGRIND_TOGGLE_COLLECT;
  for (u32 i = 0; i < m.repeats; ++i) m.once();
  CALLGRIND_TOGGLE_COLLECT;
  const std::string label = m.label + " " + std::to_string(m.repeats);
  CALLGRIND_DUMP_STATS_AT(label.c_str());
  std::printf("counted %s\n", label.c_str());
}

void CountAll() {
  Stage& stage = Stage::Get();
  for (const CatalogueEntry& entry : kCatalogue) {
    const std::string label = std::string("call ") + entry.name + " 1";
    if (!Wanted(label)) continue;
    const PreparedCall call = stage.Typical(entry.name);
    Measure({label, [call] { Stage::Run(call); }, 20});
    stage.Release(call);
  }
  for (std::string_view name : ArrayFunctions()) {
    for (u32 length : kLengths) {
      const std::string suffix = std::string(name) + " " + std::to_string(length);
      if (Wanted("array " + suffix)) {
        const PreparedCall call = stage.Typical(name, length);
        Measure({"array " + suffix, [call] { Stage::Run(call); }, RepeatsFor(length)});
        stage.Release(call);
      }
      if (Wanted("plain " + suffix)) {
        PlainWork work = MakePlainWork(stage, name, length);
        Measure({"plain " + suffix, [&work] { RunPlain(work); }, RepeatsFor(length)});
      }
    }
  }
  for (const char* name : {"SetSinglePotionPrice", "FillSinglePotionGoldValue"}) {
    for (u32 length : kLengths) {
      const std::string label = std::string("singles ") + name + " " + std::to_string(length);
      if (!Wanted(label)) continue;
      const std::vector<PreparedCall> calls = stage.Singles(name, length);
      Measure({label,
               [&calls] {
                 for (const PreparedCall& call : calls) Stage::Run(call);
               },
               RepeatsFor(length)});
      for (const PreparedCall& call : calls) stage.Release(call);
    }
  }
  u32 value = 0;
  if (Wanted("formula ComputePrice 1")) {
    Measure({"formula ComputePrice 1",
             [&value] {
               gSink = ComputePrice(value, kExponent, kDivisor, kMultiplier, kAddend);
               value = (value + 37) & 0xFFFF;
             },
             1000});
  }
}

}  // namespace
}  // namespace vialmark::bench

int main(int argc, char** argv) {
  if (argc > 1) vialmark::bench::gFilter = argv[1];
  vialmark::bench::CountAll();
  return 0;
}
