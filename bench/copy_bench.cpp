// A 256 MiB file copied up and down through the emulated data collector by the
// copy engine (progress line, cancel check and all), against a bare loop of
// reads and writes of the engine's block size over the same two ends (the
// download's flushing the desktop file, as the engine must before it renames
// it); "ratio" is the engine's throughput over the bare loop's (goal: at least
// 0.8 both ways).
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "bench_run.h"
#include "device/copy_engine.h"

namespace {

namespace fs = std::filesystem;
using namespace vmt;
using bench::check;

constexpr std::size_t kFileSize = std::size_t{256} << 20;

class Bench {
 public:
  Bench() {
    fs::create_directories(run_.root() / "device" / "fs" / "Bench");
    fs::create_directories(run_.root() / "desk");
    device::show_copying_dialog(run_.context(), 0);
    std::string block(1 << 20, '\0');
    for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<char>(i * 31 % 253);
    std::ofstream out(run_.root() / "desk" / "survey.raw", std::ios::binary);
    for (std::size_t done = 0; done < kFileSize; done += block.size()) out << block;
    out.close();
    std::ofstream device_out(run_.root() / "device" / "fs" / "Bench" / "field.raw",
                             std::ios::binary);
    for (std::size_t done = 0; done < kFileSize; done += block.size()) device_out << block;
  }

  app::RunContext& context() { return run_.context(); }
  platform::Device& device() { return run_.device(); }
  std::string desk() const { return run_.desktop("desk"); }
  // Before each copy, outside the time measured: the destination gone, so that
  // every loop writes a new file, and the earlier copies written back, so that
  // no loop pays for another's dirty pages.
  void settle(const fs::path& destination) {
    std::error_code ignored;
    fs::remove(run_.root() / destination, ignored);
    ::sync();
  }
  void connect() { run_.connect(); }

 private:
  bench::BenchRun run_{"copy"};
};

Bench& bench() {
  static Bench instance;
  return instance;
}

// Reads and writes of a block until a short read, and nothing else.
template <class Read, class Write>
void bare_loop(Read read, Write write) {
  char buffer[device::kCopyBlockSize];
  std::uint32_t got = 0;
  do {
    read(buffer, &got);
    if (got > 0) write(buffer, got);
  } while (got == sizeof buffer);
}

void bare_upload(Bench& b) {
  platform::DesktopFiles& files = b.context().platform.files;
  platform::Device& device = b.device();
  const platform::FileHandle from = files.open_file(
      b.desk() + "survey.raw", platform::FileAccess::kRead, platform::FileDisposition::kOpenExisting);
  const platform::CeHandle to = device.CeCreateFile(
      device::to_device("\\Bench\\bare.raw"),
      platform::ce::kGenericRead | platform::ce::kGenericWrite, 0, platform::ce::kCreateAlways,
      platform::ce::kFileAttributeNormal);
  check(from != platform::kInvalidFile && to != platform::kCeInvalidHandle, "bare upload open");
  std::uint32_t written = 0;
  bare_loop([&](char* buffer, std::uint32_t* got) {
              files.read_file(from, buffer, device::kCopyBlockSize, got);
            },
            [&](const char* buffer, std::uint32_t size) {
              device.CeWriteFile(to, buffer, size, &written);
            });
  files.close_file(from);
  device.CeCloseHandle(to);
}

void bare_download(Bench& b) {
  platform::DesktopFiles& files = b.context().platform.files;
  platform::Device& device = b.device();
  const platform::CeHandle from =
      device.CeCreateFile(device::to_device("\\Bench\\field.raw"), platform::ce::kGenericRead, 0,
                          platform::ce::kOpenExisting, platform::ce::kFileAttributeNormal);
  const platform::FileHandle to = files.open_file(
      b.desk() + "bare.raw", platform::FileAccess::kReadWrite, platform::FileDisposition::kCreateAlways);
  check(from != platform::kCeInvalidHandle && to != platform::kInvalidFile, "bare download open");
  std::uint32_t written = 0;
  bare_loop([&](char* buffer, std::uint32_t* got) {
              device.CeReadFile(from, buffer, device::kCopyBlockSize, got);
            },
            [&](const char* buffer, std::uint32_t size) {
              files.write_file(to, buffer, size, &written);
            });
  device.CeCloseHandle(from);
  files.flush_file(to);
  files.close_file(to);
}

void engine_upload(Bench& b) {
  check(device::upload_file(b.context(), b.desk() + "survey.raw", "\\Bench\\",
                            static_cast<double>(kFileSize)) == device::copy_result::kCopied,
        "upload");
}

void engine_download(Bench& b) {
  check(device::download_file(b.context(), "\\Bench\\field.raw", b.desk(),
                              static_cast<double>(kFileSize)) == device::copy_result::kCopied,
        "download");
}

// Each iteration copies once with the bare loop and once with the engine,
// taking turns at going first, so that both meet the same state of the
// machine; the time measured is the engine's, the ratio is of the two.
void compare(benchmark::State& state, void (*bare)(Bench&), void (*engine)(Bench&),
             const fs::path& bare_target, const fs::path& engine_target) {
  using Clock = std::chrono::steady_clock;
  Bench& b = bench();
  b.connect();
  double bare_seconds = 0;
  double engine_seconds = 0;
  bool bare_first = true;
  for (auto _ : state) {
    for (int turn = 0; turn < 2; ++turn) {
      const bool run_bare = (turn == 0) == bare_first;
      b.settle(run_bare ? bare_target : engine_target);
      const Clock::time_point start = Clock::now();
      (run_bare ? bare : engine)(b);
      const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
      (run_bare ? bare_seconds : engine_seconds) += seconds;
      if (!run_bare) state.SetIterationTime(seconds);
    }
    bare_first = !bare_first;
  }
  device::disconnect_from_device(b.context());
  const double mib = static_cast<double>(state.iterations() * kFileSize) / (1 << 20);
  state.counters["engine_MiB/s"] = mib / engine_seconds;
  state.counters["bare_MiB/s"] = mib / bare_seconds;
  state.counters["ratio"] = bare_seconds / engine_seconds;
}

void BM_Upload256MiB(benchmark::State& state) {
  compare(state, bare_upload, engine_upload, fs::path("device") / "fs" / "Bench" / "bare.raw",
          fs::path("device") / "fs" / "Bench" / "survey.raw");
}

void BM_Download256MiB(benchmark::State& state) {
  compare(state, bare_download, engine_download, fs::path("desk") / "bare.raw",
          fs::path("desk") / "field.raw");
}

// Peak memory of a 1 GiB copy each way: the growth of the process's peak
// resident size over the copy, which must not follow the file's size.
std::int64_t peak_rss_kib() {
  struct rusage usage {};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

void BM_CopyMemory1GiB(benchmark::State& state) {
  constexpr std::size_t kBig = std::size_t{1} << 30;
  bench::BenchRun run("memory");
  fs::create_directories(run.root() / "device" / "fs" / "Big");
  fs::create_directories(run.root() / "desk");
  {
    std::string block(1 << 20, '\x5a');
    std::ofstream out(run.root() / "desk" / "big.raw", std::ios::binary);
    for (std::size_t done = 0; done < kBig; done += block.size()) out << block;
  }
  device::show_copying_dialog(run.context(), 0);
  run.connect();
  std::int64_t up = 0;
  std::int64_t down = 0;
  for (auto _ : state) {
    const std::int64_t before_up = peak_rss_kib();
    check(device::upload_file(run.context(), run.desktop("desk") + "big.raw", "\\Big\\",
                              static_cast<double>(kBig)) == device::copy_result::kCopied,
          "the 1 GiB upload");
    up = peak_rss_kib() - before_up;
    fs::remove(run.root() / "desk" / "big.raw");
    const std::int64_t before_down = peak_rss_kib();
    check(device::download_file(run.context(), "\\Big\\big.raw", run.desktop("desk"),
                                static_cast<double>(kBig)) == device::copy_result::kCopied,
          "the 1 GiB download");
    down = peak_rss_kib() - before_down;
  }
  device::disconnect_from_device(run.context());
  state.counters["upload_peak_growth_KiB"] = static_cast<double>(up);
  state.counters["download_peak_growth_KiB"] = static_cast<double>(down);
  state.counters["peak_rss_MiB"] = static_cast<double>(peak_rss_kib()) / 1024;
}

// scripts/bench runs each in a process of its own: the second of two in one
// process meets the first one's gigabyte in the page cache and measures the
// kernel more than the copy.
BENCHMARK(BM_Download256MiB)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(6);
BENCHMARK(BM_Upload256MiB)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(6);
BENCHMARK(BM_CopyMemory1GiB)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
