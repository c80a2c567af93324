// What the safety net costs over the modelled link (a round trip of 2 ms,
// 1.2 MB/s): each copy as the options' defaults make it beside the same copy
// without them, as a ratio of the times. Every copy replaces a file of its
// name and size, so that keeping has a file to keep.
//
// BM_SafetyOneFile: one file of 4 MiB each way. BM_SafetySmallFiles: 200
// files of 2 KiB each way. Each is timed plain, read back ("verify"), with the
// replaced file kept ("keep"), and with both, in three rounds of the four, and
// the shortest time of each counts: a download's time is mostly the PC disk's
// flushes, which other work on the machine stretches. Goals for reading back:
// an upload at most 2.1 times as long as a plain one, a download at most 1.1.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>

#include "bench_run.h"
#include "device/copy_engine.h"
#include "device/replaced_files.h"

namespace {

namespace fs = std::filesystem;
using namespace vmt;
using bench::check;
using Clock = std::chrono::steady_clock;

constexpr int kRoundTripMs = 2;

struct Kind {
  const char* name;
  bool verify;
  bool keep;
};
constexpr Kind kKinds[] = {
    {"plain", false, false}, {"verify", true, false}, {"keep", false, true}, {"both", true, true}};

// Copies `files` files of `size` bytes one way over files of the same names,
// with the safety of `kind`; the seconds the copies took.
double copy_all(bench::LinkRun& run, bool upload, int files, std::size_t size, const Kind& kind) {
  const fs::path sources = run.root() / (upload ? "desk" : "device/fs/Link");
  const fs::path destinations = run.root() / (upload ? "device/fs/Link" : "desk");
  for (int i = 0; i < files; ++i) {
    const std::string name = "f" + std::to_string(i) + ".raw";
    bench::write_file(sources / name, size);
    bench::write_file(destinations / name, size);
  }
  fs::remove_all(fs::u8path(device::replaced_files_folder(run.context())));
  device::ReplacedFiles kept(run.context());
  const Clock::time_point start = Clock::now();
  for (int i = 0; i < files; ++i) {
    const std::string name = "f" + std::to_string(i) + ".raw";
    device::CopySafety safety;
    safety.verify = kind.verify;
    if (kind.keep) {
      safety.keep_replaced = [&](const std::string& destination) {
        return kept.keep(upload, destination, name);
      };
    }
    const auto total = static_cast<double>(size);
    const int result =
        upload ? device::upload_file(run.context(), run.desk() + name, "\\Link\\", total, safety)
               : device::download_file(run.context(), "\\Link\\" + name, run.desk(), total,
                                       safety);
    check(result == device::copy_result::kCopied, "a copy");
  }
  return std::chrono::duration<double>(Clock::now() - start).count();
}

void run_kinds(benchmark::State& state, const char* name, int files, std::size_t size) {
  const bool upload = state.range(0) == 1;
  bench::LinkRun run(name, kRoundTripMs);
  fs::create_directories(run.root() / "desk");
  run.connect();
  constexpr int kRounds = 3;
  double seconds[4] = {};
  for (auto _ : state) {
    for (int round = 0; round < kRounds; ++round) {
      for (std::size_t k = 0; k < 4; ++k) {
        const double took = copy_all(run, upload, files, size, kKinds[k]);
        seconds[k] = round == 0 ? took : std::min(seconds[k], took);
      }
    }
    state.SetIterationTime(seconds[0]);
  }
  for (std::size_t k = 0; k < 4; ++k) {
    state.counters[std::string(kKinds[k].name) + "_s"] = seconds[k];
    if (k > 0) state.counters[std::string("ratio_") + kKinds[k].name] = seconds[k] / seconds[0];
  }
}

void BM_SafetyOneFile(benchmark::State& state) {
  run_kinds(state, "safety-one", 1, std::size_t{4} << 20);
}

void BM_SafetySmallFiles(benchmark::State& state) { run_kinds(state, "safety-small", 200, 2048); }

// Each way: 0 a download, 1 an upload; timed by hand, once.
void each_way(benchmark::internal::Benchmark* copies) {
  copies->Arg(0)
      ->Arg(1)
      ->ArgName("up")
      ->Unit(benchmark::kMillisecond)
      ->UseManualTime()
      ->Iterations(1);
}

BENCHMARK(BM_SafetyOneFile)->Apply(each_way);
BENCHMARK(BM_SafetySmallFiles)->Apply(each_way);

}  // namespace

BENCHMARK_MAIN();
