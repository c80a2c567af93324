// One run's context for the benchmarks: the machine's own files, registry and
// clock, an emulated data collector in a temporary folder, no message boxes,
// no log, and a copying dialog whose queue is always empty.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "app/message_texts.h"
#include "app/run_context.h"
#include "device/copying_dlg.h"
#include "device/device_link.h"
#include "platform/common/path.h"
#include "platform/emulator/emulated_device.h"

namespace vmt::bench {

namespace fs = std::filesystem;

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

inline void check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "%s failed\n", what);
    std::exit(1);
  }
}

class BenchRun {
 public:
  // `name` keeps the folders of benchmarks apart; the device is `device/`,
  // with `fs/` its file system, the desktop folders beside it.
  explicit BenchRun(const std::string& name)
      : root_(make_root(name)),
        services_(platform::make_platform_services()),
        host_(services_->platform()) {
    fs::create_directories(root_ / "device" / "fs");
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
  }
  ~BenchRun() {
    device::close_copying_dialog(*context_);
    context_.reset();
    device_.reset();
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }
  BenchRun(const BenchRun&) = delete;
  BenchRun& operator=(const BenchRun&) = delete;

  app::RunContext& context() { return *context_; }
  platform::Device& device() { return *device_; }
  const fs::path& root() const { return root_; }
  // A folder below the root as a desktop folder path, with its separator.
  std::string desktop(const std::string& relative) const {
    return platform::path::with_trailing_separator((root_ / relative).u8string());
  }
  void connect() {
    check(device::connect_to_device(*context_, false, false) == device::status::kSuccess,
          "the emulated device's connection");
  }

 private:
  // The run's own folder; the user's settings and data folders are moved into
  // it, so that nothing a benchmark writes lands in the real ones.
  static fs::path make_root(const std::string& name) {
    const fs::path root =
        fs::temp_directory_path() / ("vmt-bench-" + name + "-" + std::to_string(::getpid()));
    fs::create_directories(root / "config");
    fs::create_directories(root / "data");
    ::setenv("XDG_CONFIG_HOME", (root / "config").c_str(), 1);
    ::setenv("XDG_DATA_HOME", (root / "data").c_str(), 1);
    return root;
  }

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

constexpr double kLinkRate = 1200000;  // bytes a second, a USB full-speed link

// A run whose emulated device sits behind the link model, with a device
// folder "\\Link\\" and a desktop folder "desk", the copying dialog open.
class LinkRun {
 public:
  LinkRun(const std::string& name, int round_trip_ms) : run_(name) {
    fs::create_directories(run_.root() / "device" / "fs" / "Link");
    fs::create_directories(run_.root() / "desk");
    std::ofstream(run_.root() / "device" / "device.ini")
        << "[Device]\nLinkRoundTripMs=" << round_trip_ms
        << "\nLinkBytesPerSecond=" << static_cast<long long>(kLinkRate) << "\n";
    device::show_copying_dialog(run_.context(), 0);
  }
  ~LinkRun() { device::disconnect_from_device(run_.context()); }

  app::RunContext& context() { return run_.context(); }
  platform::EmulatedDevice& emulator() {
    return static_cast<platform::EmulatedDevice&>(run_.device());
  }
  const fs::path& root() const { return run_.root(); }
  std::string desk() const { return run_.desktop("desk"); }
  void connect() { run_.connect(); }

 private:
  BenchRun run_;
};

// A file of `size` bytes that differ from block to block.
inline void write_file(const fs::path& file, std::size_t size) {
  std::string contents(size, '\0');
  for (std::size_t i = 0; i < size; ++i) contents[i] = static_cast<char>(i * 31 % 253);
  std::ofstream(file, std::ios::binary) << contents;
}

}  // namespace vmt::bench
