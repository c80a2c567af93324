// The emulated data collector with a stopwatch on its calls, and a run's
// context that talks to it, so that a benchmark prints the emulator's share
// of a figure apart from the program's.
#pragma once

#include <time.h>

#include <chrono>
#include <string>
#include <vector>

#include "bench_run.h"
#include "platform/emulator/emulated_device.h"

namespace vmt::bench {

// The processor time of the calling thread, in seconds: what it computed,
// without what it waited for.
inline double thread_cpu_seconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

class TimedEmulator : public platform::EmulatedDevice {
  template <typename Call>
  auto timed(Call call) {
    const auto start = std::chrono::steady_clock::now();
    const double cpu_start = count_processor_time_ ? thread_cpu_seconds() : 0.0;
    auto result = call();
    if (count_processor_time_) cpu_seconds_ += thread_cpu_seconds() - cpu_start;
    spent_ += std::chrono::steady_clock::now() - start;
    return result;
  }

  std::chrono::steady_clock::duration spent_{};
  bool count_processor_time_ = false;
  double cpu_seconds_ = 0.0;

 public:
  using EmulatedDevice::EmulatedDevice;

  // Seconds spent inside the emulator's calls since it was made, and the
  // processor's part of them when counted (a system call each time, which
  // a benchmark of many short calls would feel).
  double seconds() const { return std::chrono::duration<double>(spent_).count(); }
  double cpu_seconds() const { return cpu_seconds_; }
  void count_processor_time() { count_processor_time_ = true; }

  std::int32_t CeRapiInitEx(platform::RapiInit* init) override {
    return timed([&] { return EmulatedDevice::CeRapiInitEx(init); });
  }
  std::uint32_t WaitForInitEvent(platform::RapiInit* init, std::uint32_t timeout_ms) override {
    return timed([&] { return EmulatedDevice::WaitForInitEvent(init, timeout_ms); });
  }
  std::int32_t CeRapiUninit() override {
    return timed([&] { return EmulatedDevice::CeRapiUninit(); });
  }
  platform::CeHandle CeFindFirstFile(const std::u16string& pattern,
                                     platform::CeFindData* data) override {
    return timed([&] { return EmulatedDevice::CeFindFirstFile(pattern, data); });
  }
  bool CeFindNextFile(platform::CeHandle find, platform::CeFindData* data) override {
    return timed([&] { return EmulatedDevice::CeFindNextFile(find, data); });
  }
  bool CeFindClose(platform::CeHandle find) override {
    return timed([&] { return EmulatedDevice::CeFindClose(find); });
  }
  bool CeFindAllFiles(const std::u16string& pattern, std::uint32_t flags,
                      std::vector<platform::CeFindData>* found) override {
    return timed([&] { return EmulatedDevice::CeFindAllFiles(pattern, flags, found); });
  }
  platform::CeHandle CeCreateFile(const std::u16string& path, std::uint32_t access,
                                  std::uint32_t share, std::uint32_t disposition,
                                  std::uint32_t attributes) override {
    return timed([&] {
      return EmulatedDevice::CeCreateFile(path, access, share, disposition, attributes);
    });
  }
  bool CeReadFile(platform::CeHandle file, void* buffer, std::uint32_t to_read,
                  std::uint32_t* read) override {
    return timed([&] { return EmulatedDevice::CeReadFile(file, buffer, to_read, read); });
  }
  bool CeWriteFile(platform::CeHandle file, const void* buffer, std::uint32_t to_write,
                   std::uint32_t* written) override {
    return timed([&] { return EmulatedDevice::CeWriteFile(file, buffer, to_write, written); });
  }
  bool CeGetFileTime(platform::CeHandle file, platform::FileTimeTicks* creation,
                     platform::FileTimeTicks* last_access,
                     platform::FileTimeTicks* last_write) override {
    return timed(
        [&] { return EmulatedDevice::CeGetFileTime(file, creation, last_access, last_write); });
  }
  bool CeSetFileTime(platform::CeHandle file, const platform::FileTimeTicks* creation,
                     const platform::FileTimeTicks* last_access,
                     const platform::FileTimeTicks* last_write) override {
    return timed(
        [&] { return EmulatedDevice::CeSetFileTime(file, creation, last_access, last_write); });
  }
  std::uint32_t CeGetFileSize(platform::CeHandle file, std::uint32_t* size_high) override {
    return timed([&] { return EmulatedDevice::CeGetFileSize(file, size_high); });
  }
  bool CeCloseHandle(platform::CeHandle handle) override {
    return timed([&] { return EmulatedDevice::CeCloseHandle(handle); });
  }
  bool CeDeleteFile(const std::u16string& path) override {
    return timed([&] { return EmulatedDevice::CeDeleteFile(path); });
  }
  bool CeCreateDirectory(const std::u16string& path) override {
    return timed([&] { return EmulatedDevice::CeCreateDirectory(path); });
  }
  bool CeMoveFile(const std::u16string& from, const std::u16string& to) override {
    return timed([&] { return EmulatedDevice::CeMoveFile(from, to); });
  }
  std::uint32_t CeGetFileAttributes(const std::u16string& path) override {
    return timed([&] { return EmulatedDevice::CeGetFileAttributes(path); });
  }
  long CeRegOpenKeyEx(platform::CeRegKey root, const std::u16string& subkey,
                      platform::CeRegKey* key) override {
    return timed([&] { return EmulatedDevice::CeRegOpenKeyEx(root, subkey, key); });
  }
  long CeRegQueryValueEx(platform::CeRegKey key, const std::u16string& name, std::uint32_t* type,
                         void* data, std::uint32_t* size) override {
    return timed([&] { return EmulatedDevice::CeRegQueryValueEx(key, name, type, data, size); });
  }
  long CeRegCloseKey(platform::CeRegKey key) override {
    return timed([&] { return EmulatedDevice::CeRegCloseKey(key); });
  }
  std::uint32_t CeGetTempPath(std::uint32_t buffer_length, std::u16string* path) override {
    return timed([&] { return EmulatedDevice::CeGetTempPath(buffer_length, path); });
  }
};

// A benchmark run's context whose data collector is a timed emulator of the
// run's device folder; the rest is the run's own.
class TimedRun {
 public:
  explicit TimedRun(BenchRun& run)
      : device_((run.root() / "device").u8string(), run.context().platform.clock),
        platform_{run.context().platform.registry, run.context().platform.files,
                  run.context().platform.shell,    run.context().platform.windows,
                  run.context().platform.clock,    device_,
                  run.context().platform.resources},
        context_(platform_, run.context().boxes, run.context().log, run.context().texts) {
    context_.status_record = run.context().status_record;
    context_.copying = run.context().copying;
  }
  ~TimedRun() {
    if (context_.connected) device::disconnect_from_device(context_);
  }
  TimedRun(const TimedRun&) = delete;
  TimedRun& operator=(const TimedRun&) = delete;

  app::RunContext& context() { return context_; }
  TimedEmulator& device() { return device_; }

 private:
  TimedEmulator device_;
  platform::Platform platform_;
  app::RunContext context_;
};

}  // namespace vmt::bench
