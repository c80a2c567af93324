// A data collector emulated over a folder of the host: "fs" is the device's
// file system, "registry.reg" its HKEY_LOCAL_MACHINE, "device.ini" its state
// and the faults a test wants. The file times of the device are kept in
// "filetimes.txt" beside "fs", so that all three survive exactly on any host:
// a journal that each change appends to and that is rewritten whole now and
// then, so that a change costs the same in a folder of any size and a process
// that dies leaves every change made before it.
//
// Two error modes: "ideal" reports a pulled cable as code 1167 from
// CeGetLastError; "real" behaves as rapi.dll does, failing calls with an error
// of the remote API itself (CeRapiGetError) while CeGetLastError keeps what
// the device said last, and a read that meets a fault first returns the bytes
// before it. A link model makes every remote call cost a round trip plus its
// payload over the link's bandwidth, in real time.
#pragma once

#include <chrono>
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

// What CeRapiGetError reports in the real mode once the cable is out: the
// connection reset under the remote API (HRESULT_FROM_WIN32(WSAECONNRESET)).
constexpr std::int32_t kRapiLinkLost = static_cast<std::int32_t>(0x80072746);

class EmulatedDevice : public Device {
 public:
  // `device_folder` is a UTF-8 host path; `host_clock` gives the time the
  // device clock is offset from.
  EmulatedDevice(std::string device_folder, Clock& host_clock);
  ~EmulatedDevice() override;
  EmulatedDevice(const EmulatedDevice&) = delete;
  EmulatedDevice& operator=(const EmulatedDevice&) = delete;

  std::int32_t CeRapiInitEx(RapiInit* init) override;
  std::uint32_t WaitForInitEvent(RapiInit* init, std::uint32_t timeout_ms) override;
  std::int32_t CeRapiUninit() override;
  std::uint32_t CeGetLastError() override { return last_error_; }
  std::int32_t CeRapiGetError() override { return rapi_error_; }

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
  std::uint32_t CeGetFileSize(CeHandle file, std::uint32_t* size_high) override;
  bool CeCloseHandle(CeHandle handle) override;
  bool CeDeleteFile(const std::u16string& path) override;
  bool CeCreateDirectory(const std::u16string& path) override;
  bool CeMoveFile(const std::u16string& from, const std::u16string& to) override;
  std::uint32_t CeGetFileAttributes(const std::u16string& path) override;

  long CeRegOpenKeyEx(CeRegKey root, const std::u16string& subkey, CeRegKey* key) override;
  long CeRegQueryValueEx(CeRegKey key, const std::u16string& name, std::uint32_t* type,
                         void* data, std::uint32_t* size) override;
  long CeRegCloseKey(CeRegKey key) override;

  std::uint32_t CeGetTempPath(std::uint32_t buffer_length, std::u16string* path) override;

  // Remote calls made through this object: of one function, or of all with
  // an empty name (the connection's own included).
  std::uint64_t remote_calls(const std::string& function = {}) const;

 private:
  struct Settings {
    bool present = true;
    bool init_fails = false;
    bool init_result_fails = false;  // the connection completes with a failure
    bool wait_fails = false;
    bool real_errors = false;
    std::string fail_open;
    std::string fail_move;
    std::int64_t fail_read_after = -1;
    std::int64_t fail_write_after = -1;
    std::int64_t disk_full_after = -1;
    std::int64_t unplug_after = -1;  // bytes read and written before the cable comes out
    std::string unplug_before;       // the remote function the cable comes out before
    std::uint64_t unplug_before_count = 1;
    int block_delay_ms = 0;
    double link_round_trip_ms = 0;
    double link_bytes_per_second = 0;
    std::int64_t clock_offset_seconds = 0;
    std::string temp_path = "\\Temp";
    std::int64_t corrupt_write_at = -1;  // every write handle stores a wrong byte there
    // The folders of the root that are storage cards (case-folded names):
    // mounted FAT volumes, marked as Windows CE marks them, keeping FAT's times.
    std::vector<std::string> storage_cards;
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
  struct FolderNames {
    bool read = false;
    std::filesystem::file_time_type stamp{};
    std::map<std::string, std::string> by_key;  // case-folded name → name
  };

  // Reads device.ini; `always` also when it did not change since the last read.
  void read_settings(bool always);
  // The start of every remote call: counted, charged to the link, and failed
  // while the link is down. `fresh` re-reads device.ini first; the entries of
  // a listing and the blocks and times of an open file go on without it.
  bool call(const char* function, bool fresh, std::size_t request_bytes = 0);
  // The link is down: the failure the mode reports.
  bool link_down();
  // What a registry call returns while the link is down.
  long registry_link_error() const;
  bool fail(std::uint32_t code);
  // Waits out a call's cost on the link model.
  void charge_link(std::size_t bytes, bool round_trip);
  // Counts bytes against UnplugAfterBytes; past it the device is gone.
  void count_moved(std::int64_t bytes);
  FileTimeTicks device_now() const;

  // False with 161 for paths that would leave the device, 206 for too long ones.
  bool resolve(const std::u16string& device_path, Resolved* resolved);
  // Finds `*name` in another case among the folder's entries and gives its
  // spelling there: from an index of the folder's names, read again when the
  // folder's time stamp shows a change the emulator did not make.
  bool name_in_other_case(const std::filesystem::path& folder, std::string* name);
  // Keeps that index up to date with an entry the emulator added or removed.
  void folder_changed(const std::filesystem::path& entry, bool added);
  bool list(const std::u16string& pattern, std::vector<CeFindData>* entries);
  CeFindData entry_data(const std::filesystem::path& host, const std::string& device_path,
                        const std::string& name, bool is_folder);
  FileTimes times_of(const std::filesystem::path& host, const std::string& device_path);
  // True for a path (case-folded) on one of the storage cards, the card's own folder included.
  bool on_storage_card(const std::string& key) const;
  std::uint32_t folder_attributes(const std::string& device_path) const;

  // The file-time journal: each change appended as a line, replayed in order
  // when the connection comes up, rewritten whole when it has grown.
  void record_times(const std::string& key, const FileTimes& times);
  void forget_times(const std::string& key);
  void append_journal(const std::string& lines, std::size_t count);
  void load_times();
  void compact_times();
  void stamp_written(OpenFile& file);

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
  std::map<std::string, std::uint64_t> calls_since_settings_;
  std::map<std::string, std::uint64_t> calls_;
  bool init_started_ = false;
  bool connected_ = false;
  std::uint32_t last_error_ = 0;
  std::int32_t rapi_error_ = ce::kSOk;
  std::chrono::steady_clock::time_point link_free_{};

  std::map<std::string, FileTimes> times_;  // by case-folded device path
  std::size_t journal_lines_ = 0;
  MemoryRegistry registry_;
  std::map<CeHandle, std::unique_ptr<OpenFile>> files_;
  std::map<CeHandle, Find> finds_;
  std::map<std::filesystem::path, FolderNames> folder_names_;
  std::map<CeRegKey, RegistryKey> keys_;
  std::uintptr_t next_handle_ = 0x10;
};

}  // namespace vmt::platform
