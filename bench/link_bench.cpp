// The link to the data collector: what the emulator itself costs per remote
// call as a folder grows, and the copy engine over a modelled USB link.
//
// BM_EmulatorUpload4000: 4,000 files of 2 KiB uploaded by the copy engine into
// one device folder (no link model); the milliseconds per file of the first
// and the last 500, which must be alike. BM_EmulatorListing10000: a device
// folder of 10,000 entries listed with CeFindFirstFile and CeFindNextFile.
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

#include "bench_run.h"
#include "device/copy_engine.h"

namespace {

namespace fs = std::filesystem;
using namespace vmt;
using bench::check;
using Clock = std::chrono::steady_clock;

double seconds_since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

void BM_EmulatorUpload4000(benchmark::State& state) {
  constexpr int kFiles = 4000;
  constexpr int kEdge = 500;
  double first_ms = 0;
  double last_ms = 0;
  for (auto _ : state) {
    bench::BenchRun run("emulator-upload");
    fs::create_directories(run.root() / "device" / "fs" / "Many");
    fs::create_directories(run.root() / "desk");
    const std::string contents(2048, 'u');
    for (int i = 0; i < kFiles; ++i) {
      std::ofstream(run.root() / "desk" / ("f" + std::to_string(i) + ".raw"), std::ios::binary)
          << contents;
    }
    device::show_copying_dialog(run.context(), 0);
    run.connect();
    double first = 0;
    double last = 0;
    for (int i = 0; i < kFiles; ++i) {
      const Clock::time_point start = Clock::now();
      check(device::upload_file(run.context(), run.desktop("desk") + "f" + std::to_string(i) +
                                                   ".raw",
                                "\\Many\\", 2048) == device::copy_result::kCopied,
            "an upload");
      const double seconds = seconds_since(start);
      if (i < kEdge) first += seconds;
      if (i >= kFiles - kEdge) last += seconds;
    }
    device::disconnect_from_device(run.context());
    first_ms = first * 1000 / kEdge;
    last_ms = last * 1000 / kEdge;
  }
  state.counters["first_500_ms_per_file"] = first_ms;
  state.counters["last_500_ms_per_file"] = last_ms;
}

void BM_EmulatorListing10000(benchmark::State& state) {
  constexpr int kEntries = 10000;
  bench::BenchRun run("emulator-listing");
  const fs::path folder = run.root() / "device" / "fs" / "Big";
  fs::create_directories(folder);
  for (int i = 0; i < kEntries; ++i) std::ofstream(folder / ("e" + std::to_string(i) + ".raw")) << i;
  run.connect();
  platform::Device& device = run.device();
  for (auto _ : state) {
    int count = 0;
    platform::CeFindData data;
    const platform::CeHandle find = device.CeFindFirstFile(u"\\Big\\*.*", &data);
    check(find != platform::kCeInvalidHandle, "the listing");
    do {
      ++count;
    } while (device.CeFindNextFile(find, &data));
    device.CeFindClose(find);
    check(count == kEntries, "the listing's count");
  }
  device::disconnect_from_device(run.context());
}

BENCHMARK(BM_EmulatorUpload4000)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_EmulatorListing10000)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
