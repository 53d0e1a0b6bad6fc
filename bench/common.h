#pragma once
// Registration of the benchmarks with the settings that they all share.

#include <benchmark/benchmark.h>

#include <string>
#include <utility>

namespace bench {

// Wall-clock time in milliseconds: the savers wait for the disk, and the
// whole-process figures are wall-clock times too.
template <typename Function>
void Register(const std::string& name, Function&& function) {
  benchmark::RegisterBenchmark(name.c_str(), std::forward<Function>(function))
      ->Unit(benchmark::kMillisecond)
      ->UseRealTime();
}

}  // namespace bench
