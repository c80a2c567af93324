// A data collector emulated over a folder of the host: "fs" is the device's
// file system, "registry.reg" its HKEY_LOCAL_MACHINE, "device.ini" its state
// and the faults a test wants. The file times of the device are kept in
// "filetimes.txt" beside "fs", so that all three survive exactly on any host.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/common/memory_registry.h"
#include "platform/device.h"

namespace vmt::platform {

class EmulatedDevice : public Device {
 public:
  // `device_folder` is a UTF-8 host path; `host_clock` gives the time the
  // device clock is offset from.
  EmulatedDevice(std::string device_folder, Clock& host_clock);
  ~EmulatedDevice() override;
  EmulatedDevice(const EmulatedDevice&) = delete;
  EmulatedDevice& operator=(const EmulatedDevice&) = delete;

  std::int32_t CeRapiInitEx(RapiInit* init) override;
  std::uint32_t WaitForInitEvent(CeEvent event, std::uint32_t timeout_ms) override;
  std::int32_t CeRapiUninit() override;
  std::uint32_t CeGetLastError() override { return last_error_; }

  CeHandle CeFindFirstFile(const std::u16string& pattern, CeFindData* data) override;
  bool CeFindNextFile(CeHandle find, CeFindData* data) override;
  bool CeFindClose(CeHandle find) override;
  bool CeFindAllFiles(const std::u16string& pattern, std::uint32_t flags,
                      std::vector<CeFindData>* found) override;

  CeHandle CeCreateFile(const std::u16string& path, std::uint32_t access, std::uint32_t share,
                        std::uint32_t disposition, std::uint32_t attributes) override;
  bool CeReadFile(CeHandle file, void* buffer, std::uint32_t to_read,
                  std::uint32_t* read) override;
  bool CeWriteFile(CeHandle file, const void* buffer, std::uint32_t to_write,
                   std::uint32_t* written) override;
  bool CeGetFileTime(CeHandle file, FileTimeTicks* creation, FileTimeTicks* last_access,
                     FileTimeTicks* last_write) override;
  bool CeSetFileTime(CeHandle file, const FileTimeTicks* creation,
                     const FileTimeTicks* last_access, const FileTimeTicks* last_write) override;
  bool CeCloseHandle(CeHandle handle) override;
  bool CeDeleteFile(const std::u16string& path) override;
  bool CeCreateDirectory(const std::u16string& path) override;
  bool CeMoveFile(const std::u16string& from, const std::u16string& to) override;

  long CeRegOpenKeyEx(CeRegKey root, const std::u16string& subkey, CeRegKey* key) override;
  long CeRegQueryValueEx(CeRegKey key, const std::u16string& name, std::uint32_t* type,
                         void* data, std::uint32_t* size) override;
  long CeRegCloseKey(CeRegKey key) override;

  std::uint32_t CeGetTempPath(std::uint32_t buffer_length, std::u16string* path) override;

 private:
  struct Settings {
    bool present = true;
    bool init_fails = false;
    bool wait_fails = false;
    std::string fail_open;
    std::int64_t fail_read_after = -1;
    std::int64_t fail_write_after = -1;
    std::int64_t disk_full_after = -1;
    std::int64_t unplug_after = -1;  // bytes read and written before the cable comes out
    int block_delay_ms = 0;
    std::int64_t clock_offset_seconds = 0;
    std::string temp_path = "\\Temp";
  };
  // A device path resolved to the host.
  struct Resolved {
    std::filesystem::path host;  // the entry, or where it would be created
    std::string device;          // the device path with the case found on the host
    bool exists = false;
    bool is_folder = false;
  };
  struct OpenFile {
    std::fstream stream;
    std::string key;
    std::filesystem::path host;
    bool can_read = false;
    bool can_write = false;
    std::int64_t bytes_read = 0;
    std::int64_t bytes_written = 0;
    bool stamp_at_close = false;  // written since the last CeSetFileTime
  };
  struct Find {
    std::vector<CeFindData> entries;
    std::size_t next = 0;
  };
  struct Times {
    FileTimes times;
  };

  // Reads device.ini; `always` also when it did not change since the last read.
  void read_settings(bool always);
  // The start of every per-file operation: settings re-read, link checked.
  bool begin_operation();
  // False with 1167 while not connected or unplugged (checked from memory).
  bool linked();
  bool fail(std::uint32_t code);
  // Counts bytes against UnplugAfterBytes; past it the device is gone.
  void count_moved(std::int64_t bytes);
  FileTimeTicks device_now() const;

  // False with 161 for paths that would leave the device, 206 for too long ones.
  bool resolve(const std::u16string& device_path, Resolved* resolved);
  bool list(const std::u16string& pattern, std::vector<CeFindData>* entries);
  CeFindData entry_data(const std::filesystem::path& host, const std::string& device_path,
                        const std::string& name, bool is_folder);
  FileTimes times_of(const std::filesystem::path& host, const std::string& device_path);
  void set_times(const std::string& device_path, const FileTimes& times);
  void load_times();
  void save_times();
  void load_registry();
  void close_all();

  std::filesystem::path folder_;
  std::filesystem::path fs_root_;
  Clock& clock_;
  Settings settings_;
  std::string settings_text_;
  bool settings_seen_ = false;
  std::int64_t disk_left_ = -1;
  std::int64_t moved_ = 0;  // bytes read and written since the settings were taken
  bool init_started_ = false;
  bool connected_ = false;
  std::uint32_t last_error_ = 0;

  std::map<std::string, FileTimes> times_;  // by case-folded device path
  bool times_dirty_ = false;
  MemoryRegistry registry_;
  std::map<CeHandle, std::unique_ptr<OpenFile>> files_;
  std::map<CeHandle, Find> finds_;
  std::map<CeRegKey, RegistryKey> keys_;
  std::uintptr_t next_handle_ = 0x10;
};

}  // namespace vmt::platform
