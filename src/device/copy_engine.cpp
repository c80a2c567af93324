#include "device/copy_engine.h"

#include <cmath>
#include <cstring>
#include <functional>
#include <vector>

#include "app/error_reports.h"
#include "device/copying_dlg.h"
#include "device/device_link.h"
#include "platform/common/path.h"
#include "platform/common/utf.h"

namespace vmt::device {
namespace {

namespace path = platform::path;
using platform::FileTimes;

constexpr char kBackupPrefix[] = "~vmtransfer.old.";

// The box that a time failure shows: its code and its detail with the path.
struct TimeSite {
  const char* code;
  unsigned message;
  const char* text;
};

struct TimeSites {
  TimeSite cancel_get, cancel_set, end_get, end_set;
};

constexpr TimeSites kDownloadTimes = {
    {"NCHEMW", 50233, "Getting time on device file (cancelled transfer) (%s)"},
    {"NEWCHCC", 50234, "Setting time on desktop file (cancelled transfer) (%s)"},
    {"AEF6598", 50641, "Getting time on device file (%s)"},
    {"AEMMER-7", 50236, "Setting time on desktop file (%s)"}};
constexpr TimeSites kUploadTimes = {
    {"AWERA3", 50217, "Getting time for desktop file (%s)"},
    {"RTG765", 50218, "Setting time for device file (%s)"},
    {"Q2XNHG-56", 50217, "Getting time for desktop file (%s)"},
    {"82XNHG-56", 50222, "Setting time on device file (%s)"}};

// A message text: its number and the program's own words.
struct Text {
  unsigned message;
  const char* text;
};
// What an open failure appends to the status record, naming the file.
using OpenFailure = Text;
// Why a copy stopped half way, in the words of the status record.
using Cause = Text;

// Everything that differs between the kinds of copy besides the file calls.
struct Direction {
  Text arrow;  // before the name in the progress line; message 0: as it stands
  bool zero_size_as_one;
  OpenFailure source_open;
  OpenFailure destination_open;
  const TimeSites& times;
  Text failed;  // the status line of a failed copy: the name, then the cause
  // A copy of a file about to be replaced: its open failures are causes too.
  bool keeping;
};

constexpr Text kFailedCopy = {50602, "\t%s:\tERROR copying (%s), the file was not copied\n"};
constexpr Text kFailedKeep = {
    50724, "\t%s:\tERROR keeping the file it replaces (%s), so nothing was replaced\n"};

const Direction kDown = {{0, "<--"},
                         true,
                         {50232, "\t%s:\tERROR copying (CeCreateFile)"},
                         {50041, "\t%s:\tERROR copying (CreateFile)"},
                         kDownloadTimes,
                         kFailedCopy,
                         false};
const Direction kUp = {{0, "-->"},
                       false,
                       {50041, "\t%s:\tERROR copying (CreateFile)"},
                       {50232, "\t%s:\tERROR copying (CeCreateFile)"},
                       kUploadTimes,
                       kFailedCopy,
                       false};

constexpr TimeSites kKeepDeviceTimes = {
    {"KEEP-NG1", 50725, "Getting time on device file to keep it (%s)"},
    {"KEEP-NS1", 50726, "Setting time on the kept copy (%s)"},
    {"KEEP-NG1", 50725, "Getting time on device file to keep it (%s)"},
    {"KEEP-NS1", 50726, "Setting time on the kept copy (%s)"}};
constexpr TimeSites kKeepDesktopTimes = {
    {"KEEP-DG2", 50727, "Getting time for desktop file to keep it (%s)"},
    {"KEEP-DS2", 50726, "Setting time on the kept copy (%s)"},
    {"KEEP-DG2", 50727, "Getting time for desktop file to keep it (%s)"},
    {"KEEP-DS2", 50726, "Setting time on the kept copy (%s)"}};
constexpr Text kKeeping = {50728, "Keeping"};
constexpr Cause kKeepUnreadable = {50729, "it could not be opened"};
constexpr Cause kKeepNotMade = {50730, "no copy could be made on this computer"};
const Direction kKeepDown = {kKeeping,        false,      kKeepUnreadable, kKeepNotMade,
                             kKeepDeviceTimes, kFailedKeep, true};
const Direction kKeepLocal = {kKeeping,         false,      kKeepUnreadable, kKeepNotMade,
                              kKeepDesktopTimes, kFailedKeep, true};

constexpr std::uint32_t kHandleDiskFull = 39;
constexpr Cause kChanged = {50643, "the file changed while it was copied"};
constexpr Cause kNotPlaced = {50607, "the copy could not be put in place of the destination file"};
constexpr Cause kReserved = {50644, "Windows keeps the name for a device"};
constexpr Cause kDisconnected = {50603, "data collector disconnected"};
constexpr Cause kDiffers = {50731, "the copy read back differs from the original"};

Cause cause_of(std::uint32_t code, bool reading) {
  if (code == platform::error::kDeviceNotConnected) return kDisconnected;
  if (code == platform::error::kDiskFull || code == kHandleDiskFull) return {50604, "disk full"};
  return reading ? Cause{50605, "read error"} : Cause{50606, "write error"};
}

std::string without_line_ends(std::string text) {
  while (!text.empty() && text.back() == '\n') text.pop_back();
  return text;
}

// Every failure of a copy reaches the status record and the report here.
// `cause` is kept for the transfer that stops on this file and names it again.
void report_copy_failure(app::RunContext& c, const std::string& text, const std::string& path,
                         const std::string& cause) {
  c.last_copy_failure = cause;
  app::set_status_text(c, {});
  app::append_status_line(c, text);
  c.report.report_line(without_line_ends(text), path);
}

void report_failure(app::RunContext& c, const Direction& direction, const std::string& name,
                    const Cause& cause, const std::string& destination) {
  const std::string why = c.texts.load_message_text(cause.message, cause.text);
  report_copy_failure(c,
                      c.texts.format_message_text(direction.failed.message, direction.failed.text,
                                                  name.c_str(), why.c_str()),
                      destination, why);
}

void report_open_failure(app::RunContext& c, const Direction& direction,
                         const OpenFailure& failure, const std::string& name,
                         const std::string& path) {
  if (direction.keeping) {
    report_failure(c, direction, name, failure, path);
    return;
  }
  const std::string text = c.texts.format_message_text(failure.message, failure.text, name.c_str());
  report_copy_failure(c, text + "\n", path, text);
}

// A pulled cable is named as such, not as the call that met it.
template <class File>
void report_open_failure(app::RunContext& c, const Direction& direction,
                         const OpenFailure& failure, const std::string& name,
                         const std::string& path, File& file) {
  if (!direction.keeping && File::kOnDevice &&
      file.error() == platform::error::kDeviceNotConnected) {
    report_failure(c, direction, name, kDisconnected, path);
    return;
  }
  report_open_failure(c, direction, failure, name, path);
}

// A status line and a report line about one file of the folder.
void note(app::RunContext& c, unsigned message, const char* format, const std::string& name,
          const std::string& other = {}) {
  const std::string text =
      c.texts.format_message_text(message, format, name.c_str(), other.c_str());
  app::append_status_line(c, text);
  c.report.report_line(without_line_ends(text));
}

std::string name_of(const std::string& device_path) {
  const std::size_t cut = device_path.rfind('\\');
  return cut == std::string::npos ? device_path : device_path.substr(cut + 1);
}

std::string device_folder_of(const std::string& device_path) {
  const std::size_t cut = device_path.rfind('\\');
  return cut == std::string::npos ? std::string() : device_path.substr(0, cut + 1);
}

// How putting a complete copy under its name ended.
struct Placement {
  bool placed = false;
  Cause cause{};
  int kept = copy_result::kCopied;  // not 1: the file to be replaced could not be kept
  std::string old_kept;  // where the earlier file waits when it could not be put back
  std::string replaced;  // where the replaced file was left when it could not be removed
};

// A device file: a source opened for reading or a partial copy being written.
class DeviceFile {
 public:
  DeviceFile(app::RunContext& c, std::string path)
      : c_(c), device_(c.platform.device), path_(std::move(path)) {}
  ~DeviceFile() { close(); }
  DeviceFile(const DeviceFile&) = delete;
  DeviceFile& operator=(const DeviceFile&) = delete;

  // The device's file systems leave a file's times alone when it is read.
  static constexpr bool kReadingMovesTimes = false;
  static constexpr bool kOnDevice = true;

  const std::string& path() const { return path_; }
  bool open_source() { return open(platform::ce::kGenericRead, platform::ce::kOpenExisting); }
  bool create() {
    return open(platform::ce::kGenericRead | platform::ce::kGenericWrite,
                platform::ce::kCreateAlways);
  }
  bool read(void* buffer, std::uint32_t size, std::uint32_t* got) {
    return device_.CeReadFile(handle_, buffer, size, got);
  }
  bool write(const void* buffer, std::uint32_t size, std::uint32_t* written) {
    return device_.CeWriteFile(handle_, buffer, size, written);
  }
  bool size(std::uint64_t* size) {
    std::uint32_t high = 0;
    const std::uint32_t low = device_.CeGetFileSize(handle_, &high);
    if (low == platform::ce::kInvalidFileSize && last_device_error(c_) != 0) return false;
    *size = (static_cast<std::uint64_t>(high) << 32) | low;
    return true;
  }
  // The device writes a file through when it is closed.
  bool flush() { return true; }
  std::uint32_t error() { return last_device_error(c_); }
  bool get_times(FileTimes* t) {
    return device_.CeGetFileTime(handle_, &t->creation, &t->last_access, &t->last_write);
  }
  bool set_times(const FileTimes& t) {
    return device_.CeSetFileTime(handle_, &t.creation, &t.last_access, &t.last_write);
  }
  void report(const TimeSite& site, const std::string& shown) {
    report_remote_error(c_, site.code,
                        c_.texts.format_message_text(site.message, site.text, shown.c_str()));
  }
  bool close() {
    if (handle_ == platform::kCeInvalidHandle) return true;
    const bool closed = device_.CeCloseHandle(handle_);
    handle_ = platform::kCeInvalidHandle;
    return closed;
  }
  // True when no file is left under this path, or when the device is gone
  // and the next reading of the folder will remove it.
  bool remove() {
    if (device_.CeDeleteFile(to_device(path_))) return true;
    const std::uint32_t code = last_device_error(c_);
    return code == platform::error::kFileNotFound || code == platform::error::kDeviceNotConnected;
  }

  // The device renames only onto a free name: the earlier file is put aside
  // under its backup name first and removed only after the copy has its name,
  // so that a complete file stays under one of the names at every step. The
  // earlier file is kept first when the transfer asks for it.
  Placement place(const std::string& destination, const CopySafety& safety) {
    Placement result;
    const std::uint32_t attributes = device_.CeGetFileAttributes(to_device(destination));
    if (attributes == platform::ce::kInvalidFileAttributes) {
      const std::uint32_t code = last_device_error(c_);
      if (code != platform::error::kFileNotFound) return failed(&result, cause_of(code, false));
      if (!move(path_, destination)) return failed(&result, cause_of(error(), false));
      result.placed = true;
      return result;
    }
    if (attributes & platform::attr::kDirectory) return failed(&result, kNotPlaced);
    if (safety.keep_replaced) {
      result.kept = safety.keep_replaced(destination);
      if (result.kept != copy_result::kCopied) return failed(&result, kNotPlaced);
    }

    const std::string backup =
        device_folder_of(destination) + backup_copy_name(name_of(destination));
    if (!put_aside(destination, backup)) {
      const std::uint32_t code = error();
      return failed(&result,
                    code == platform::error::kDeviceNotConnected ? kDisconnected : kNotPlaced);
    }
    if (!move(path_, destination)) {
      const std::uint32_t code = error();
      result.cause = code == platform::error::kDeviceNotConnected ? kDisconnected : kNotPlaced;
      // The earlier file goes back; when it cannot, both copies stay for the
      // next reading of the folder to put right.
      if (move(backup, destination)) {
        remove();
      } else {
        result.old_kept = name_of(backup);
      }
      return result;
    }
    if (!device_.CeDeleteFile(to_device(backup))) result.replaced = name_of(backup);
    result.placed = true;
    return result;
  }

 private:
  bool open(std::uint32_t access, std::uint32_t disposition) {
    handle_ = device_.CeCreateFile(to_device(path_), access, 0, disposition,
                                   platform::ce::kFileAttributeNormal);
    return handle_ != platform::kCeInvalidHandle;
  }
  bool move(const std::string& from, const std::string& to) {
    return device_.CeMoveFile(to_device(from), to_device(to));
  }
  // A backup that an earlier copy left under the same name is out of date:
  // the file it was put aside for is in place again.
  bool put_aside(const std::string& file, const std::string& backup) {
    if (move(file, backup)) return true;
    if (error() != platform::error::kAlreadyExists) return false;
    return device_.CeDeleteFile(to_device(backup)) && move(file, backup);
  }
  Placement& failed(Placement* result, const Cause& cause) {
    result->cause = cause;
    remove();
    return *result;
  }

  app::RunContext& c_;
  platform::Device& device_;
  std::string path_;
  platform::CeHandle handle_ = platform::kCeInvalidHandle;
};

// How often and how long a held desktop file is asked for again.
constexpr int kRenameAttempts = 30;
constexpr std::uint32_t kRenamePauseMs = 100;

bool is_held_by_another_program(std::uint32_t code) {
  return code == platform::error::kSharingViolation || code == platform::error::kAccessDenied ||
         code == 33;  // ERROR_LOCK_VIOLATION
}

// A desktop file, in the same two roles.
class DesktopFile {
 public:
  DesktopFile(app::RunContext& c, std::string path)
      : c_(c), files_(c.platform.files), path_(std::move(path)) {}
  ~DesktopFile() { close(); }
  DesktopFile(const DesktopFile&) = delete;
  DesktopFile& operator=(const DesktopFile&) = delete;

  // Reading a file here may move its last-access time.
  static constexpr bool kReadingMovesTimes = true;
  static constexpr bool kOnDevice = false;

  const std::string& path() const { return path_; }
  bool open_source() {
    return open(platform::FileAccess::kRead, platform::FileDisposition::kOpenExisting);
  }
  // The closed copy again, to give it its times.
  bool open_for_times() {
    return open(platform::FileAccess::kReadWrite, platform::FileDisposition::kOpenExisting);
  }
  bool create() {
    return open(platform::FileAccess::kReadWrite, platform::FileDisposition::kCreateAlways);
  }
  bool read(void* buffer, std::uint32_t size, std::uint32_t* got) {
    return files_.read_file(handle_, buffer, size, got);
  }
  bool write(const void* buffer, std::uint32_t size, std::uint32_t* written) {
    return files_.write_file(handle_, buffer, size, written);
  }
  bool size(std::uint64_t* size) { return files_.get_file_size(handle_, size); }
  // On the disk before the copy takes the destination's name.
  bool flush() { return files_.flush_file(handle_); }
  std::uint32_t error() { return files_.last_error(); }
  bool get_times(FileTimes* times) { return files_.get_file_times(handle_, times); }
  bool set_times(const FileTimes& times) { return files_.set_file_times(handle_, times); }
  void report(const TimeSite& site, const std::string& shown) {
    app::last_error_box(c_, site.code, files_.last_error(),
                        c_.texts.format_message_text(site.message, site.text, shown.c_str()));
  }
  bool close() {
    if (handle_ == platform::kInvalidFile) return true;
    const bool closed = files_.close_file(handle_);
    handle_ = platform::kInvalidFile;
    return closed;
  }
  bool remove() { return !files_.exists(path_) || files_.delete_file(path_); }

  // The rename replaces the destination in one step. A virus scanner, an
  // indexer or a synchronising program may hold the new file for a moment
  // after it is closed: the rename is tried again for a few seconds. The
  // earlier file is kept first when the transfer asks for it.
  Placement place(const std::string& destination, const CopySafety& safety) {
    Placement result;
    if (safety.keep_replaced && files_.exists(destination) && !files_.is_folder(destination)) {
      result.kept = safety.keep_replaced(destination);
      if (result.kept != copy_result::kCopied) {
        remove();
        return result;
      }
    }
    for (int attempt = 1;; ++attempt) {
      if (files_.move_file_replace(path_, destination)) {
        result.placed = true;
        return result;
      }
      if (attempt == kRenameAttempts || c_.session_ending ||
          !is_held_by_another_program(files_.last_error())) {
        break;
      }
      c_.platform.clock.sleep_ms(kRenamePauseMs);
      handle_copying_messages(c_);
    }
    result.cause = kNotPlaced;
    remove();
    return result;
  }

 private:
  bool open(platform::FileAccess access, platform::FileDisposition disposition) {
    handle_ = files_.open_file(path_, access, disposition);
    return handle_ != platform::kInvalidFile;
  }

  app::RunContext& c_;
  platform::DesktopFiles& files_;
  std::string path_;
  platform::FileHandle handle_ = platform::kInvalidFile;
};

// The progress line: set at the start, redrawn at most once per ten points,
// and appended to the record with the exact figure at the end.
class Progress {
 public:
  Progress(app::RunContext& c, std::string arrow, const std::string& name, double total)
      : c_(c), arrow_(std::move(arrow)), name_(name), total_(total) {}

  void set_total(double total) { total_ = total; }
  void begin() { app::set_status_text(c_, line(0)); }
  void add(std::uint32_t bytes) { transferred_ += bytes; }
  void update() {
    if (total_ <= 0.5) return;
    percent_ = transferred_ / total_ * 100.0;
    if (percent_ < shown_ + 10.0) return;
    if (percent_ < 0.0 || percent_ > 100.0) {
      VMT_LOG_POINT(c_.log);
      shown_ = 0.0;
    } else {
      shown_ = percent_ == 100.0 ? 100.0 : std::floor(percent_ / 10.0) * 10.0;
    }
    app::set_status_text(c_, line(shown_));
  }
  void finish() {
    if (std::fabs(percent_ - 100.0) >= 1e-9) VMT_LOG_POINT(c_.log);
    app::set_status_text(c_, {});
    app::append_status_line(c_, line(percent_) + "\n");
  }
  // A line that only shows the work under way leaves nothing in the record.
  void clear() { app::set_status_text(c_, {}); }

 private:
  std::string line(double percent) const {
    return app::format_message("\t%s %s:\t%.0f of %.0f (%.0f %%)", arrow_.c_str(), name_.c_str(),
                               transferred_, total_, percent);
  }

  app::RunContext& c_;
  std::string arrow_;
  std::string name_;
  double total_;
  double transferred_ = 0.0;
  double percent_ = 0.0;
  double shown_ = 0.0;
};

enum class Outcome { kComplete, kCancelled, kFailed };

// A checksum of a stream of bytes that is the same however the stream is cut
// into pieces: 64-bit words mixed in one by one, each step a one-to-one map
// of the state, so that one wrong word always gives another result.
class Checksum {
 public:
  void add(const char* data, std::size_t size) {
    length_ += size;
    while (size > 0 && carried_ > 0) {
      carry_[carried_++] = *data++;
      --size;
      if (carried_ == sizeof carry_) {
        mix(carry_);
        carried_ = 0;
      }
    }
    for (; size >= sizeof carry_; data += sizeof carry_, size -= sizeof carry_) mix(data);
    while (size > 0) {
      carry_[carried_++] = *data++;
      --size;
    }
  }
  bool operator==(const Checksum& other) const {
    return length_ == other.length_ && state_ == other.state_ && carried_ == other.carried_ &&
           std::memcmp(carry_, other.carry_, carried_) == 0;
  }

 private:
  void mix(const char* bytes) {
    std::uint64_t word = 0;
    std::memcpy(&word, bytes, sizeof word);
    state_ = (state_ ^ word) * 0x9E3779B97F4A7C15ULL;
    state_ ^= state_ >> 29;
  }

  std::uint64_t state_ = 0x6A09E667F3BCC908ULL;
  std::uint64_t length_ = 0;
  char carry_[8] = {};
  std::size_t carried_ = 0;
};

// Between blocks: the window's messages, and Cancel or the session's end.
bool copy_stopped(app::RunContext& c) { return copy_cancel_confirmed(c) || c.session_ending; }

// Copies exactly `expected` bytes, the size the source had when opened. A read
// may return fewer bytes than asked before the end (a link hands over what it
// had before a fault); only the count decides where the file ends, and a
// source that ends early or runs past it has changed under the copy. The last
// read asks for one byte more than is left, so that growth shows at any size.
template <class From, class To>
Outcome copy_blocks(app::RunContext& c, Progress& progress, From& from, To& to,
                    std::uint64_t expected, Checksum* written_sum, Cause* cause) {
  std::vector<char> buffer(kCopyBlockSize + 1);
  bool noted_no_dialog = false;
  std::uint64_t copied = 0;
  do {
    const std::uint64_t left = expected - copied;
    const std::uint32_t ask =
        left > kCopyBlockSize ? kCopyBlockSize : static_cast<std::uint32_t>(left) + 1;
    std::uint32_t got = 0;
    if (!from.read(buffer.data(), ask, &got) || got > ask) {
      *cause = cause_of(from.error(), true);
      return Outcome::kFailed;
    }
    if (got > left || (got == 0 && left > 0)) {
      *cause = kChanged;
      return Outcome::kFailed;
    }
    if (got == 0) break;
    std::uint32_t written = 0;
    const bool wrote = to.write(buffer.data(), got, &written);
    progress.add(written);
    if (!wrote || written != got) {
      *cause = cause_of(wrote ? 0 : to.error(), false);
      return Outcome::kFailed;
    }
    if (written_sum != nullptr) written_sum->add(buffer.data(), got);
    copied += got;
    if (!noted_no_dialog && !is_copying_dialog_open(c)) {
      VMT_LOG_POINT(c.log);
      noted_no_dialog = true;
    }
    if (copy_stopped(c)) return Outcome::kCancelled;
    progress.update();
  } while (copied < expected);
  return Outcome::kComplete;
}

// The closed copy read back whole, over the link for one on the data
// collector, and summed as it was written. The source is not read again: that
// would change its last-access time after the copy was given it.
template <class To>
Outcome read_back(app::RunContext& c, Progress& progress, To& copy, std::uint64_t size,
                  const Checksum& written, Cause* cause) {
  if (!copy.open_source()) {
    *cause = cause_of(copy.error(), true);
    return Outcome::kFailed;
  }
  std::vector<char> buffer(kCopyBlockSize);
  Checksum read;
  for (std::uint64_t done = 0; done < size;) {
    std::uint32_t got = 0;
    if (!copy.read(buffer.data(), kCopyBlockSize, &got) || got > kCopyBlockSize) {
      *cause = cause_of(copy.error(), true);
      return Outcome::kFailed;
    }
    if (got == 0) break;  // shorter than written: the sums tell
    read.add(buffer.data(), got);
    done += got;
    progress.add(got);
    if (copy_stopped(c)) return Outcome::kCancelled;
    progress.update();
  }
  copy.close();
  if (!(read == written)) {
    *cause = kDiffers;
    return Outcome::kFailed;
  }
  return Outcome::kComplete;
}

// Gives the destination the source's three times, unchanged; false when the
// copy keeps times of its own.
template <class From, class To>
bool carry_times(From& from, To& to, const TimeSite& get, const TimeSite& set,
                 const std::string& source, const std::string& destination) {
  FileTimes times;
  if (!from.get_times(&times)) {
    from.report(get, source);
    return false;
  }
  if (!to.set_times(times)) {
    to.report(set, destination);
    return false;
  }
  return true;
}

template <class To>
bool set_times(To& to, const FileTimes& times, const Direction& direction,
               const std::string& destination) {
  if (to.set_times(times)) return true;
  to.report(direction.times.end_set, destination);
  return false;
}

// Removes what a stopped copy left; the partial name is never the user's file.
template <class To>
void remove_partial(app::RunContext& c, To& to) {
  if (!to.remove()) {
    app::append_status_line(
        c, c.texts.format_message_text(50220, "\tError deleting %s\n", to.path().c_str()));
  }
}

// Windows drops a blank or a dot at the end of a name, so such a file would
// land on another file's name; it is refused before anything is written.
bool is_name_kept_whole(app::RunContext& c, const Direction& direction, const std::string& name,
                        const std::string& destination) {
  if (name.back() != ' ' && name.back() != '.') return true;
  report_failure(c, direction, name,
                 {50608, "the name ends with a blank or a dot, which Windows drops"}, destination);
  return false;
}

// While a copy runs, the end of the session can abandon it at once: a copy
// made inside another (the file it replaces, kept) abandons both.
class AbandonScope {
 public:
  AbandonScope(app::RunContext& c, std::function<void()> abandon)
      : c_(c), outer_(std::move(c.abandon_copy)) {
    c_.abandon_copy = [this, abandon = std::move(abandon)] {
      abandon();
      if (outer_) outer_();
    };
  }
  ~AbandonScope() { c_.abandon_copy = std::move(outer_); }
  AbandonScope(const AbandonScope&) = delete;
  AbandonScope& operator=(const AbandonScope&) = delete;

 private:
  app::RunContext& c_;
  std::function<void()> outer_;
};

void report_cancelled(app::RunContext& c, const std::string& name) {
  app::set_status_text(c, {});
  app::append_status_line(c,
                          c.texts.format_message_text(50219, "\t%s:\tCancelled\n", name.c_str()));
  c.report.report_line(c.texts.load_message_text(50372, "User cancelled"));
}

// What one copy came to, for its report lines.
struct CopyOutcome {
  int result = copy_result::kFailed;
  bool times_carried = true;
};

std::string text_of(app::RunContext& c, const Text& text) {
  return text.message == 0 ? text.text : c.texts.load_message_text(text.message, text.text);
}

// `total` is the size the caller knows, or below 0 for the source's own.
template <class From, class To>
CopyOutcome copy_file(app::RunContext& c, const Direction& direction, From& from, To& to,
                      const std::string& destination, double total, const std::string& name,
                      const CopySafety& safety) {
  CopyOutcome outcome;
  if (direction.zero_size_as_one && total == 0.0) total = 1.0;
  Progress progress(c, text_of(c, direction.arrow), name, total);
  const bool sized = total >= 0.0;
  if (sized) progress.begin();
  if (!from.open_source()) {
    report_open_failure(c, direction, direction.source_open, name, from.path(), from);
    return outcome;
  }
  std::uint64_t expected = 0;
  if (!from.size(&expected)) {
    report_failure(c, direction, name, cause_of(from.error(), true), destination);
    return outcome;
  }
  if (!sized) {
    progress.set_total(static_cast<double>(expected));
    progress.begin();
  }
  // A file kept before it is replaced keeps the times it had: taken before
  // it is read, which may move its last access.
  FileTimes times;
  bool times_read = direction.keeping && from.get_times(&times);
  if (!to.create()) {
    report_open_failure(c, direction, direction.destination_open, name, destination, to);
    return outcome;
  }

  // The session's end leaves no partial copy behind, as Cancel does.
  bool abandoned = false;
  const AbandonScope abandon(c, [&] {
    from.close();
    to.close();
    to.remove();
    abandoned = true;
  });
  Cause cause{};
  Checksum written;
  Outcome copied =
      copy_blocks(c, progress, from, to, expected, safety.verify ? &written : nullptr, &cause);
  if (copied == Outcome::kCancelled) {
    if (!abandoned) {
      carry_times(from, to, direction.times.cancel_get, direction.times.cancel_set, from.path(),
                  destination);
      from.close();
      to.close();
    }
    report_cancelled(c, name);
    if (!abandoned) remove_partial(c, to);
    outcome.result = copy_result::kCancelled;
    return outcome;
  }
  if (copied == Outcome::kFailed) {
    from.close();
    to.close();
    report_failure(c, direction, name, cause, destination);
    remove_partial(c, to);
    return outcome;
  }

  progress.finish();
  std::uint64_t size = 0;
  if (!to.size(&size) || size != expected) {
    from.close();
    to.close();
    report_failure(c, direction, name, cause_of(to.error(), false), destination);
    remove_partial(c, to);
    return outcome;
  }
  // The source's times, given to the copy before it is closed; to one that is
  // read back on this computer after that, as reading it moves its last access.
  if (!direction.keeping) times_read = from.get_times(&times);
  if (!times_read) from.report(direction.times.end_get, from.path());
  from.close();
  const bool times_after = safety.verify && To::kReadingMovesTimes;
  outcome.times_carried =
      times_read && (times_after || set_times(to, times, direction, destination));
  if (!to.flush() || !to.close()) {
    report_failure(c, direction, name, cause_of(to.error(), false), destination);
    remove_partial(c, to);
    return outcome;
  }
  // Checked before it replaces anything: a copy that differs leaves the
  // destination as it was.
  if (safety.verify) {
    Progress checking(c, c.texts.load_message_text(50732, "Checking"), name,
                      static_cast<double>(expected));
    checking.begin();
    copied = read_back(c, checking, to, expected, written, &cause);
    checking.clear();
    if (copied != Outcome::kComplete && !abandoned) to.close();
    if (copied == Outcome::kCancelled) {
      report_cancelled(c, name);
      if (!abandoned) remove_partial(c, to);
      outcome.result = copy_result::kCancelled;
      return outcome;
    }
    if (copied == Outcome::kFailed) {
      report_failure(c, direction, name, cause, destination);
      remove_partial(c, to);
      return outcome;
    }
  }
  if constexpr (To::kReadingMovesTimes) {
    if (times_read && times_after) {
      outcome.times_carried = to.open_for_times() && set_times(to, times, direction, destination);
      to.close();
    }
  }
  const Placement placement = to.place(destination, safety);
  if (abandoned) {
    report_cancelled(c, name);
    outcome.result = copy_result::kCancelled;
    return outcome;
  }
  if (placement.kept != copy_result::kCopied) {
    // The keep has said why in the status area; the transfer names it again.
    if (placement.kept == copy_result::kCancelled) {
      outcome.result = copy_result::kCancelled;
    } else {
      c.last_copy_failure = c.texts.format_message_text(
          50733, "the file it replaces could not be kept (%s)", c.last_copy_failure.c_str());
    }
    return outcome;
  }
  if (!placement.placed) {
    report_failure(c, direction, name, placement.cause, destination);
    if (!placement.old_kept.empty()) {
      note(c, 50645,
           "\t%s:\tthe earlier file is kept as %s and put back when the folder is next read\n",
           name, placement.old_kept);
    }
    return outcome;
  }
  if (!placement.replaced.empty()) {
    note(c, 50646,
         "\t%s:\tthe replaced file is left as %s and removed when the folder is next read\n", name,
         placement.replaced);
  }
  outcome.result = copy_result::kCopied;
  return outcome;
}

// The report lines around one copy and its outcome.
int reported_copy(app::RunContext& c, const std::string& source, const std::string& destination,
                  const std::function<CopyOutcome()>& copy,
                  const std::function<bool()>& destination_exists) {
  app::MessageTexts& t = c.texts;
  c.report.report_line(t.load_message_text(50352, "Begin copying from"), source);
  c.report.report_line(t.load_message_text(50353, "                to"), destination);
  const CopyOutcome outcome = copy();
  if (outcome.result == copy_result::kCopied) {
    if (destination_exists && !destination_exists()) VMT_LOG_POINT(c.log);
    c.report.report_line(
        outcome.times_carried
            ? t.load_message_text(50354, "                Successful")
            : t.load_message_text(
                  50642,
                  "                Successful, but the file times could not be carried over"));
  } else if (outcome.result == copy_result::kCancelled) {
    c.report.report_line(t.load_message_text(50371, "                Cancelled"));
  } else {
    c.report.report_line(t.load_message_text(50355, "                Not successful"));
  }
  return outcome.result;
}

CopyOutcome copy_down(app::RunContext& c, const std::u16string& source,
                      const std::string& destination, double total, const std::string& name,
                      const CopySafety& safety) {
  DeviceFile from(c, from_device(source));
  DesktopFile to(c, path::folder_of(destination) + kPartialCopyName);
  return copy_file(c, kDown, from, to, destination, total, name, safety);
}

CopyOutcome copy_up(app::RunContext& c, const std::string& source,
                    const std::u16string& destination, double total, const std::string& name,
                    const CopySafety& safety) {
  const std::string final_path = from_device(destination);
  DesktopFile from(c, source);
  DeviceFile to(c, device_folder_of(final_path) + kPartialCopyName);
  return copy_file(c, kUp, from, to, final_path, total, name, safety);
}

// A kept copy is always checked: it is the only one left once its file is replaced.
const CopySafety kKeptCopy{true, {}};

bool equals_ascii_no_case(const std::string& text, const char* word) {
  return platform::to_upper_ascii(text) == word;
}

}  // namespace

bool is_partial_copy_name(const std::string& name) {
  return platform::equals_no_case(name, kPartialCopyName);
}

std::string backup_copy_name(const std::string& name) { return kBackupPrefix + name; }

bool is_backup_copy_name(const std::string& name) {
  const std::size_t length = sizeof kBackupPrefix - 1;
  return name.size() > length && platform::equals_no_case(name.substr(0, length), kBackupPrefix);
}

bool is_reserved_device_name(const std::string& name) {
  // The part before the first dot, blanks before that dot not counted.
  std::string base = name.substr(0, name.find('.'));
  while (!base.empty() && base.back() == ' ') base.pop_back();
  for (const char* word : {"CON", "PRN", "AUX", "NUL"}) {
    if (equals_ascii_no_case(base, word)) return true;
  }
  if (base.size() < 4) return false;
  const std::string stem = base.substr(0, 3);
  if (!equals_ascii_no_case(stem, "COM") && !equals_ascii_no_case(stem, "LPT")) return false;
  const std::string number = base.substr(3);
  // A digit, or the superscript one, two or three that Windows also takes.
  return (number.size() == 1 && number[0] >= '0' && number[0] <= '9') || number == "\xC2\xB9" ||
         number == "\xC2\xB2" || number == "\xC2\xB3";
}

int copy_block_loop_down(app::RunContext& c, const std::u16string& source,
                         const std::string& destination, double total, const std::string& name) {
  return copy_down(c, source, destination, total, name, {}).result;
}

int copy_block_loop_up(app::RunContext& c, const std::string& source,
                       const std::u16string& destination, double total, const std::string& name) {
  return copy_up(c, source, destination, total, name, {}).result;
}

int keep_device_file(app::RunContext& c, const std::string& device_path,
                     const std::string& kept_path, const std::string& shown) {
  DeviceFile from(c, device_path);
  DesktopFile to(c, path::folder_of(kept_path) + kPartialCopyName);
  return copy_file(c, kKeepDown, from, to, kept_path, -1.0, shown, kKeptCopy).result;
}

int keep_desktop_file(app::RunContext& c, const std::string& desktop_path,
                      const std::string& kept_path, const std::string& shown) {
  DesktopFile from(c, desktop_path);
  DesktopFile to(c, path::folder_of(kept_path) + kPartialCopyName);
  return copy_file(c, kKeepLocal, from, to, kept_path, -1.0, shown, kKeptCopy).result;
}

int refuse_keep(app::RunContext& c, const std::string& shown, const std::string& destination) {
  report_failure(c, kKeepLocal, shown, kKeepNotMade, destination);
  return copy_result::kFailed;
}

int download_file(app::RunContext& c, const std::string& device_path,
                  const std::string& desktop_folder, double size, const CopySafety& safety) {
  if (!c.platform.files.exists(desktop_folder)) VMT_LOG_POINT(c.log);
  const std::size_t cut = device_path.rfind('\\');
  if (cut == std::string::npos || cut + 1 == device_path.size()) {
    c.report.report_line(
        c.texts.load_message_text(50369,
                                  "Error ERTHG4, Unable to extract title and extension for file"),
        device_path);
    return copy_result::kFailed;
  }
  const std::string name = device_path.substr(cut + 1);
  const std::string destination = desktop_folder + name;
  if (!is_name_kept_whole(c, kDown, name, destination)) return copy_result::kFailed;
  if (is_reserved_device_name(name)) {
    report_failure(c, kDown, name, kReserved, destination);
    return copy_result::kFailed;
  }
  return reported_copy(
      c, device_path, destination,
      [&] { return copy_down(c, to_device(device_path), destination, size, name, safety); },
      [&] { return c.platform.files.exists(destination); });
}

int upload_file(app::RunContext& c, const std::string& desktop_path,
                const std::string& device_folder, double size, const CopySafety& safety) {
  if (!c.platform.files.exists(desktop_path)) VMT_LOG_POINT(c.log);
  const std::size_t cut = path::last_separator(desktop_path);
  if (cut == std::string::npos || cut + 1 == desktop_path.size()) {
    c.report.report_line(
        c.texts.load_message_text(
            50373, "Error E54RTHG4, Unable to extract title and extension for file"),
        desktop_path);
    return copy_result::kFailed;
  }
  const std::string name = desktop_path.substr(cut + 1);
  const std::string destination = device_folder + name;
  if (!is_name_kept_whole(c, kUp, name, destination)) return copy_result::kFailed;
  // Where the copy went is known from its placement: no call asks again.
  return reported_copy(
      c, desktop_path, destination,
      [&] { return copy_up(c, desktop_path, to_device(destination), size, name, safety); },
      nullptr);
}

void remove_interrupted_desktop_copy(app::RunContext& c, const std::string& desktop_folder) {
  if (is_copying_dialog_open(c)) return;
  if (c.platform.files.delete_file(path::join(desktop_folder, kPartialCopyName))) {
    note(c, 50648, "\t%s:\tremoved, which an interrupted copy left\n", kPartialCopyName);
  }
}

bool settle_interrupted_copies(app::RunContext& c, const std::string& device_folder,
                               const std::vector<std::string>& leftovers) {
  platform::Device& device = c.platform.device;
  bool changed = false;
  bool backup_stays = false;
  for (const std::string& left : leftovers) {
    if (!is_backup_copy_name(left)) continue;
    const std::string name = left.substr(sizeof kBackupPrefix - 1);
    const std::u16string backup = to_device(device_folder + left);
    const std::u16string original = to_device(device_folder + name);
    if (device.CeGetFileAttributes(original) == platform::ce::kInvalidFileAttributes) {
      if (last_device_error(c) == platform::error::kFileNotFound &&
          device.CeMoveFile(backup, original)) {
        note(c, 50647, "\t%s:\tput back from %s, which an interrupted copy left\n", name, left);
        changed = true;
        continue;
      }
    } else if (device.CeDeleteFile(backup)) {
      // The copy took the name before the interruption; the earlier file is history.
      note(c, 50648, "\t%s:\tremoved, which an interrupted copy left\n", left);
      changed = true;
      continue;
    }
    note(c, 50649, "\t%s:\tleft by an interrupted copy, and could not be put right\n", left);
    backup_stays = true;
  }
  if (backup_stays) return changed;
  for (const std::string& left : leftovers) {
    if (!is_partial_copy_name(left)) continue;
    if (device.CeDeleteFile(to_device(device_folder + left))) {
      note(c, 50648, "\t%s:\tremoved, which an interrupted copy left\n", left);
      changed = true;
    }
  }
  return changed;
}

}  // namespace vmt::device
