// The link to the data collector: what the emulator itself costs per remote
// call as a folder grows, and the copy engine over a modelled USB link.
//
// BM_EmulatorUpload4000: 4,000 files of 2 KiB uploaded by the copy engine into
// one device folder (no link model); the milliseconds per file of the first
// and the last 500, which must be alike. BM_EmulatorListing10000: a device
// folder of 10,000 entries listed with CeFindFirstFile and CeFindNextFile.
//
// Over the link model (1.2 MB/s, a round trip of 1, 2 or 5 ms per call):
// BM_Link16MiB, one file of 16 MiB each way through the copy engine, as a
// fraction of the link's rate (goal at 2 ms: at least 0.95), beside a bare loop
// of 4096-byte blocks over the same link; BM_Link1000Files, 1,000 files of
// 2 KiB each way, as remote calls per file and files per second.
#include <benchmark/benchmark.h>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench_run.h"
#include "device/copy_engine.h"
#include "platform/emulator/emulated_device.h"

namespace {

namespace fs = std::filesystem;
using namespace vmt;
using bench::check;
using Clock = std::chrono::steady_clock;

double seconds_since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// The process's own processor time: on a busy machine, the figure that other
// programs do not stretch.
double cpu_seconds() { return static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

void BM_EmulatorUpload4000(benchmark::State& state) {
  constexpr int kFiles = 4000;
  constexpr int kEdge = 500;
  double first_ms = 0;
  double last_ms = 0;
  double first_cpu_ms = 0;
  double last_cpu_ms = 0;
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
    double first_cpu = 0;
    double last_cpu = 0;
    for (int i = 0; i < kFiles; ++i) {
      const Clock::time_point start = Clock::now();
      const double cpu_start = cpu_seconds();
      check(
          device::upload_file(run.context(), run.desktop("desk") + "f" + std::to_string(i) + ".raw",
                              "\\Many\\", 2048) == device::copy_result::kCopied,
          "an upload");
      const double seconds = seconds_since(start);
      const double cpu = cpu_seconds() - cpu_start;
      if (i < kEdge) {
        first += seconds;
        first_cpu += cpu;
      }
      if (i >= kFiles - kEdge) {
        last += seconds;
        last_cpu += cpu;
      }
    }
    device::disconnect_from_device(run.context());
    first_ms = first * 1000 / kEdge;
    last_ms = last * 1000 / kEdge;
    first_cpu_ms = first_cpu * 1000 / kEdge;
    last_cpu_ms = last_cpu * 1000 / kEdge;
  }
  state.counters["first_500_ms_per_file"] = first_ms;
  state.counters["last_500_ms_per_file"] = last_ms;
  state.counters["first_500_cpu_ms_per_file"] = first_cpu_ms;
  state.counters["last_500_cpu_ms_per_file"] = last_cpu_ms;
}

void BM_EmulatorListing10000(benchmark::State& state) {
  constexpr int kEntries = 10000;
  bench::BenchRun run("emulator-listing");
  const fs::path folder = run.root() / "device" / "fs" / "Big";
  fs::create_directories(folder);
  for (int i = 0; i < kEntries; ++i) {
    std::ofstream(folder / ("e" + std::to_string(i) + ".raw")) << i;
  }
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

using bench::kLinkRate;
using bench::LinkRun;
using bench::write_file;

// The engine's 16 MiB one way, then a bare loop of 4096-byte blocks the same way.
void BM_Link16MiB(benchmark::State& state) {
  constexpr std::size_t kSize = std::size_t{16} << 20;
  const bool upload = state.range(0) == 1;
  const int round_trip_ms = static_cast<int>(state.range(1));
  LinkRun run("link-16", round_trip_ms);
  write_file(run.root() / "desk" / "big.raw", kSize);
  write_file(run.root() / "device" / "fs" / "Link" / "big.raw", kSize);
  run.connect();
  double engine = 0;
  double bare = 0;
  for (auto _ : state) {
    fs::remove(run.root() / (upload ? "device/fs/Link/big.raw" : "desk/big.raw"));
    if (upload) write_file(run.root() / "desk" / "big.raw", kSize);
    if (!upload) write_file(run.root() / "device" / "fs" / "Link" / "big.raw", kSize);
    Clock::time_point start = Clock::now();
    const int result = upload ? device::upload_file(run.context(), run.desk() + "big.raw",
                                                    "\\Link\\", static_cast<double>(kSize))
                              : device::download_file(run.context(), "\\Link\\big.raw", run.desk(),
                                                      static_cast<double>(kSize));
    engine = seconds_since(start);
    check(result == device::copy_result::kCopied, "the 16 MiB copy");
    state.SetIterationTime(engine);

    // The same bytes in 4096-byte calls, as the engine used to make them.
    platform::Device& device = run.emulator();
    const platform::CeHandle handle =
        device.CeCreateFile(upload ? u"\\Link\\bare.raw" : u"\\Link\\big.raw",
                            upload ? platform::ce::kGenericRead | platform::ce::kGenericWrite
                                   : platform::ce::kGenericRead,
                            0, upload ? platform::ce::kCreateAlways : platform::ce::kOpenExisting,
                            platform::ce::kFileAttributeNormal);
    check(handle != platform::kCeInvalidHandle, "the bare loop's file");
    std::vector<char> block(4096, 'b');
    start = Clock::now();
    for (std::size_t done = 0; done < kSize; done += block.size()) {
      std::uint32_t count = 0;
      const bool ok = upload ? device.CeWriteFile(handle, block.data(), 4096, &count)
                             : device.CeReadFile(handle, block.data(), 4096, &count);
      check(ok && count == 4096, "a bare block");
    }
    bare = seconds_since(start);
    device.CeCloseHandle(handle);
  }
  state.counters["fraction_of_link"] = static_cast<double>(kSize) / engine / kLinkRate;
  state.counters["bare_4KiB_fraction_of_link"] = static_cast<double>(kSize) / bare / kLinkRate;
}

void BM_Link1000Files(benchmark::State& state) {
  constexpr int kFiles = 1000;
  constexpr std::size_t kSize = 2048;
  const bool upload = state.range(0) == 1;
  LinkRun run("link-1000", static_cast<int>(state.range(1)));
  for (int i = 0; i < kFiles; ++i) {
    write_file(
        run.root() / (upload ? "desk" : "device/fs/Link") / ("f" + std::to_string(i) + ".raw"),
        kSize);
  }
  run.connect();
  double seconds = 0;
  double calls = 0;
  for (auto _ : state) {
    const std::uint64_t before = run.emulator().remote_calls();
    const Clock::time_point start = Clock::now();
    for (int i = 0; i < kFiles; ++i) {
      const std::string name = "f" + std::to_string(i) + ".raw";
      const int result =
          upload ? device::upload_file(run.context(), run.desk() + name, "\\Link\\", kSize)
                 : device::download_file(run.context(), "\\Link\\" + name, run.desk(), kSize);
      check(result == device::copy_result::kCopied, "a small copy");
    }
    seconds = seconds_since(start);
    calls = static_cast<double>(run.emulator().remote_calls() - before) / kFiles;
    state.SetIterationTime(seconds);
  }
  state.counters["remote_calls_per_file"] = calls;
  state.counters["files_per_second"] = kFiles / seconds;
}

BENCHMARK(BM_EmulatorUpload4000)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_EmulatorListing10000)->Unit(benchmark::kMillisecond);
// Arguments: 1 upload or 0 download, and the round trip in milliseconds.
BENCHMARK(BM_Link16MiB)
    ->ArgsProduct({{0, 1}, {1, 2, 5}})
    ->ArgNames({"up", "rtt_ms"})
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1);
BENCHMARK(BM_Link1000Files)
    ->ArgsProduct({{0, 1}, {1, 2, 5}})
    ->ArgNames({"up", "rtt_ms"})
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
