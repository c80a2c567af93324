// A 256 MiB file copied up and down through the emulated data collector by the
// copy engine (progress line, cancel check and all), against a bare loop of
// 4096-byte reads and writes over the same two ends; "ratio" is the engine's
// throughput over the bare loop's (goal: at least 0.8 both ways).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "app/message_texts.h"
#include "app/run_context.h"
#include "device/copy_engine.h"
#include "device/copying_dlg.h"
#include "device/device_link.h"
#include "platform/common/path.h"
#include "platform/emulator/emulated_device.h"

namespace {

namespace fs = std::filesystem;
using namespace vmt;

constexpr std::size_t kFileSize = std::size_t{256} << 20;

class NoBoxes : public app::MessageBoxes {
 public:
  int show(app::WindowRef, const std::string&, const std::string&, unsigned) override {
    return app::id::kOk;
  }
};

class NoLog : public app::DiagnosticLog {
 public:
  void log_point(const std::string&, int, const std::string&) override {}
};

class Lines : public app::StatusRecord {
 public:
  void append_status_line(const std::string& text) override { last = text; }
  void set_status_text(const std::string& text) override { current = text; }
  std::string last;
  std::string current;
};

// The copying dialog with an empty queue: the check costs its peek.
class QuietView : public device::CopyingView {
 public:
  app::WindowRef window() override { return 0; }
  bool open_animation() override { return true; }
  void play_animation() override {}
  bool message_waiting() override { return false; }
  void pump_one_message() override {}
};

class Bench {
 public:
  Bench()
      : root_(fs::temp_directory_path() / ("vmt-bench-" + std::to_string(::getpid()))),
        services_(platform::make_platform_services()),
        host_(services_->platform()) {
    fs::create_directories(root_ / "device" / "fs" / "Bench");
    fs::create_directories(root_ / "desk");
    std::ofstream(root_ / "device" / "device.ini") << "[Device]\n";
    std::ofstream(root_ / "device" / "registry.reg") << "Windows Registry Editor Version 5.00\n";
    device_ = std::make_unique<platform::EmulatedDevice>((root_ / "device").u8string(),
                                                         host_.clock);
    platform_ = std::make_unique<platform::Platform>(
        platform::Platform{host_.registry, host_.files, host_.shell, host_.windows, host_.clock,
                           *device_, host_.resources});
    context_ = std::make_unique<app::RunContext>(*platform_, boxes_, log_, texts_);
    context_->status_record = &lines_;
    context_->copying = &copying_;
    device::show_copying_dialog(*context_, 0);

    std::string block(1 << 20, '\0');
    for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<char>(i * 31 % 253);
    std::ofstream out(root_ / "desk" / "survey.raw", std::ios::binary);
    for (std::size_t done = 0; done < kFileSize; done += block.size()) out << block;
    out.close();
    std::ofstream device_out(root_ / "device" / "fs" / "Bench" / "field.raw", std::ios::binary);
    for (std::size_t done = 0; done < kFileSize; done += block.size()) device_out << block;
  }
  ~Bench() {
    device::close_copying_dialog(*context_);
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }

  app::RunContext& context() { return *context_; }
  platform::Device& device() { return *device_; }
  std::string desk() const {
    return platform::path::with_trailing_separator((root_ / "desk").u8string());
  }
  // Before each copy, outside the time measured: the destination gone, so that
  // every loop writes a new file, and the earlier copies written back, so that
  // no loop pays for another's dirty pages.
  void settle(const fs::path& destination) {
    std::error_code ignored;
    fs::remove(root_ / destination, ignored);
    ::sync();
  }
  void connect() {
    if (device::connect_to_device(*context_, false, false) != device::status::kSuccess) {
      std::fprintf(stderr, "the emulated device did not connect\n");
      std::exit(1);
    }
  }

 private:
  fs::path root_;
  std::unique_ptr<platform::PlatformServices> services_;
  platform::Platform host_;
  std::unique_ptr<platform::EmulatedDevice> device_;
  std::unique_ptr<platform::Platform> platform_;
  NoBoxes boxes_;
  NoLog log_;
  app::BuiltInStringTable table_;
  app::MessageTexts texts_{boxes_, table_};
  std::unique_ptr<app::RunContext> context_;
  Lines lines_;
  device::CopyingDialogs copying_{[](app::WindowRef, device::CCPY_Copying_Dlg& dialog) {
    auto view = std::make_unique<QuietView>();
    dialog.OnInit(*view);
    return std::unique_ptr<device::CopyingView>(std::move(view));
  }};
};

Bench& bench() {
  static Bench instance;
  return instance;
}

void check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "%s failed\n", what);
    std::exit(1);
  }
}

// 4096-byte reads and writes until a short read, and nothing else.
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

// scripts/bench runs each in a process of its own: the second of two in one
// process meets the first one's gigabyte in the page cache and measures the
// kernel more than the copy.
BENCHMARK(BM_Download256MiB)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(6);
BENCHMARK(BM_Upload256MiB)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(6);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
