#include "device/copy_engine.h"

#include <array>
#include <cmath>
#include <functional>

#include "app/error_reports.h"
#include "device/copying_dlg.h"
#include "device/device_link.h"
#include "platform/common/path.h"
#include "platform/common/utf.h"

namespace vmt::device {
namespace {

namespace path = platform::path;
using platform::FileTimes;

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
    {"AEF6598", 50233, "Getting time on device file (cancelled transfer) (%s)"},
    {"AEMMER-7", 50236, "Setting time on desktop file (%s)"}};
constexpr TimeSites kUploadTimes = {
    {"AWERA3", 50217, "Getting time for desktop file (%s)"},
    {"RTG765", 50218, "Setting time for device file (%s)"},
    {"Q2XNHG-56", 50217, "Getting time for desktop file (%s)"},
    {"82XNHG-56", 50222, "Setting time on device file (%s)"}};

// What an open failure appends to the status record.
struct OpenFailure {
  unsigned message;
  const char* text;
  bool names_file;  // the text takes the file name and needs its own line end
};

// Everything that differs between the two directions besides the file calls.
struct Direction {
  const char* arrow;
  bool zero_size_as_one;
  OpenFailure source_open;
  OpenFailure destination_open;
  const TimeSites& times;
};

const Direction kDown = {"<--", true, {50232, "\t%s:\tERROR copying (CeCreateFile)", true},
                         {50041, "\t%s:\tERROR copying (CreateFile)", true}, kDownloadTimes};
const Direction kUp = {"-->", false, {50215, "CreateFile failed\n", false},
                       {50216, "CoCreateFile failed\n", false}, kUploadTimes};

// A device file: a source opened for reading or a partial copy being written.
class DeviceFile {
 public:
  DeviceFile(app::RunContext& c, std::string path)
      : c_(c), device_(c.platform.device), path_(std::move(path)) {}
  ~DeviceFile() { close(); }
  DeviceFile(const DeviceFile&) = delete;
  DeviceFile& operator=(const DeviceFile&) = delete;

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
  std::uint32_t error() { return device_.CeGetLastError(); }
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
  // True when no file is left under this path.
  bool remove() {
    return !find_file_on_device(c_, path_, false) || device_.CeDeleteFile(to_device(path_));
  }
  // The device renames only onto a free name, so the old file goes first.
  bool place(const std::string& destination) {
    if (find_file_on_device(c_, destination, false) &&
        !device_.CeDeleteFile(to_device(destination))) {
      return false;
    }
    return device_.CeMoveFile(to_device(path_), to_device(destination));
  }

 private:
  bool open(std::uint32_t access, std::uint32_t disposition) {
    handle_ = device_.CeCreateFile(to_device(path_), access, 0, disposition,
                                   platform::ce::kFileAttributeNormal);
    return handle_ != platform::kCeInvalidHandle;
  }

  app::RunContext& c_;
  platform::Device& device_;
  std::string path_;
  platform::CeHandle handle_ = platform::kCeInvalidHandle;
};

// A desktop file, in the same two roles.
class DesktopFile {
 public:
  DesktopFile(app::RunContext& c, std::string path)
      : c_(c), files_(c.platform.files), path_(std::move(path)) {}
  ~DesktopFile() { close(); }
  DesktopFile(const DesktopFile&) = delete;
  DesktopFile& operator=(const DesktopFile&) = delete;

  const std::string& path() const { return path_; }
  bool open_source() {
    return open(platform::FileAccess::kRead, platform::FileDisposition::kOpenExisting);
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
  bool place(const std::string& destination) {
    return files_.move_file_replace(path_, destination);
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
  Progress(app::RunContext& c, const char* arrow, const std::string& name, double total)
      : c_(c), arrow_(arrow), name_(name), total_(total) {}

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

 private:
  std::string line(double percent) const {
    return app::format_message("\t%s %s:\t%.0f of %.0f (%.0f %%)", arrow_, name_.c_str(),
                               transferred_, total_, percent);
  }

  app::RunContext& c_;
  const char* arrow_;
  std::string name_;
  double total_;
  double transferred_ = 0.0;
  double percent_ = 0.0;
  double shown_ = 0.0;
};

enum class Outcome { kComplete, kCancelled, kFailed };

// Why a copy stopped half way, in the words of the status record.
struct Cause {
  unsigned message;
  const char* text;
};

constexpr std::uint32_t kHandleDiskFull = 39;

Cause cause_of(std::uint32_t code, bool reading) {
  if (code == platform::error::kDeviceNotConnected) return {50603, "data collector disconnected"};
  if (code == platform::error::kDiskFull || code == kHandleDiskFull) return {50604, "disk full"};
  return reading ? Cause{50605, "read error"} : Cause{50606, "write error"};
}

template <class From, class To>
Outcome copy_blocks(app::RunContext& c, Progress& progress, From& from, To& to, Cause* cause) {
  std::array<char, kCopyBlockSize> buffer;
  bool noted_no_dialog = false;
  for (;;) {
    std::uint32_t got = 0;
    if (!from.read(buffer.data(), kCopyBlockSize, &got) || got > kCopyBlockSize) {
      *cause = cause_of(from.error(), true);
      return Outcome::kFailed;
    }
    if (got > 0) {
      std::uint32_t written = 0;
      const bool wrote = to.write(buffer.data(), got, &written);
      progress.add(written);
      if (!wrote || written != got) {
        *cause = cause_of(wrote ? 0 : to.error(), false);
        return Outcome::kFailed;
      }
    }
    if (!noted_no_dialog && !is_copying_dialog_open(c)) {
      VMT_LOG_POINT(c.log);
      noted_no_dialog = true;
    }
    if (copy_cancel_confirmed(c)) return Outcome::kCancelled;
    progress.update();
    if (got != kCopyBlockSize) return Outcome::kComplete;
  }
}

// Gives the destination the source's three times, unchanged.
template <class From, class To>
void carry_times(From& from, To& to, const TimeSite& get, const TimeSite& set,
                 const std::string& source, const std::string& destination) {
  FileTimes times;
  if (!from.get_times(&times)) {
    from.report(get, source);
    return;
  }
  if (!to.set_times(times)) to.report(set, destination);
}

void report_open_failure(app::RunContext& c, const OpenFailure& failure, const std::string& name,
                         const std::string& path) {
  if (!failure.names_file) {
    c.last_copy_failure = c.texts.load_message_text(failure.message, failure.text);
    app::append_status_line(c, c.last_copy_failure);
    return;
  }
  const std::string text = c.texts.format_message_text(failure.message, failure.text, name.c_str());
  c.last_copy_failure = text;
  app::append_status_line(c, text + "\n");
  c.report.report_line(text, path);
}

// Removes what a stopped copy left; the partial name is never the user's file.
template <class To>
void remove_partial(app::RunContext& c, To& to) {
  if (!to.remove()) {
    app::append_status_line(
        c, c.texts.format_message_text(50220, "\tError deleting %s\n", to.path().c_str()));
  }
}

void report_failure(app::RunContext& c, const std::string& name, const Cause& cause,
                    const std::string& destination) {
  const std::string text = c.texts.format_message_text(
      50602, "\t%s:\tERROR copying (%s), the file was not copied\n", name.c_str(),
      c.texts.load_message_text(cause.message, cause.text).c_str());
  c.last_copy_failure = c.texts.load_message_text(cause.message, cause.text);
  app::set_status_text(c, {});
  app::append_status_line(c, text);
  std::string line = text;
  while (!line.empty() && line.back() == '\n') line.pop_back();
  c.report.report_line(line, destination);
}

// Windows drops a blank or a dot at the end of a name, so such a file would
// land on another file's name; it is refused before anything is written.
bool is_name_kept_whole(app::RunContext& c, const std::string& name,
                        const std::string& destination) {
  if (name.back() != ' ' && name.back() != '.') return true;
  report_failure(c, name, {50608, "the name ends with a blank or a dot, which Windows drops"},
                 destination);
  return false;
}

template <class From, class To>
int copy_file(app::RunContext& c, const Direction& direction, From& from, To& to,
              const std::string& destination, double total, const std::string& name) {
  if (direction.zero_size_as_one && total == 0.0) total = 1.0;
  Progress progress(c, direction.arrow, name, total);
  progress.begin();
  if (!from.open_source()) {
    report_open_failure(c, direction.source_open, name, from.path());
    return copy_result::kFailed;
  }
  if (!to.create()) {
    report_open_failure(c, direction.destination_open, name, destination);
    return copy_result::kFailed;
  }

  Cause cause{};
  const Outcome outcome = copy_blocks(c, progress, from, to, &cause);
  if (outcome == Outcome::kCancelled) {
    carry_times(from, to, direction.times.cancel_get, direction.times.cancel_set, from.path(),
                destination);
    from.close();
    to.close();
    app::set_status_text(c, {});
    app::append_status_line(
        c, c.texts.format_message_text(50219, "\t%s:\tCancelled\n", name.c_str()));
    remove_partial(c, to);
    c.report.report_line(c.texts.load_message_text(50372, "User cancelled"));
    return copy_result::kCancelled;
  }
  if (outcome == Outcome::kFailed) {
    from.close();
    to.close();
    report_failure(c, name, cause, destination);
    remove_partial(c, to);
    return copy_result::kFailed;
  }

  progress.finish();
  carry_times(from, to, direction.times.end_get, direction.times.end_set, from.path(),
              destination);
  from.close();
  if (!to.close()) {
    report_failure(c, name, cause_of(to.error(), false), destination);
    remove_partial(c, to);
    return copy_result::kFailed;
  }
  if (!to.place(destination)) {
    report_failure(c, name, {50607, "the copy could not be put in place of the destination file"},
                   destination);
    remove_partial(c, to);
    return copy_result::kFailed;
  }
  return copy_result::kCopied;
}

// The report lines around one copy and its outcome.
int reported_copy(app::RunContext& c, const std::string& source, const std::string& destination,
                  const std::function<int()>& copy,
                  const std::function<bool()>& destination_exists) {
  app::MessageTexts& t = c.texts;
  c.report.report_line(t.load_message_text(50352, "Begin copying from"), source);
  c.report.report_line(t.load_message_text(50353, "                to"), destination);
  const int result = copy();
  if (result == copy_result::kCopied) {
    if (!destination_exists()) VMT_LOG_POINT(c.log);
    c.report.report_line(t.load_message_text(50354, "                Successful"));
  } else if (result == copy_result::kCancelled) {
    c.report.report_line(t.load_message_text(50371, "                Cancelled"));
  } else {
    c.report.report_line(t.load_message_text(50355, "                Not successful"));
  }
  return result;
}

std::string device_folder_of(const std::string& device_path) {
  const std::size_t cut = device_path.rfind('\\');
  return cut == std::string::npos ? std::string() : device_path.substr(0, cut + 1);
}

}  // namespace

bool is_partial_copy_name(const std::string& name) {
  return platform::equals_no_case(name, kPartialCopyName);
}

int copy_block_loop_down(app::RunContext& c, const std::u16string& source,
                         const std::string& destination, double total, const std::string& name) {
  DeviceFile from(c, from_device(source));
  DesktopFile to(c, path::folder_of(destination) + kPartialCopyName);
  return copy_file(c, kDown, from, to, destination, total, name);
}

int copy_block_loop_up(app::RunContext& c, const std::string& source,
                       const std::u16string& destination, double total, const std::string& name) {
  const std::string final_path = from_device(destination);
  DesktopFile from(c, source);
  DeviceFile to(c, device_folder_of(final_path) + kPartialCopyName);
  return copy_file(c, kUp, from, to, final_path, total, name);
}

int download_file(app::RunContext& c, const std::string& device_path,
                  const std::string& desktop_folder, double size) {
  if (!find_file_on_device(c, device_path, false)) VMT_LOG_POINT(c.log);
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
  if (!is_name_kept_whole(c, name, desktop_folder + name)) return copy_result::kFailed;
  const std::string destination = desktop_folder + name;
  return reported_copy(
      c, device_path, destination,
      [&] { return copy_block_loop_down(c, to_device(device_path), destination, size, name); },
      [&] { return c.platform.files.exists(destination); });
}

int upload_file(app::RunContext& c, const std::string& desktop_path,
                const std::string& device_folder, double size) {
  if (!c.platform.files.exists(desktop_path)) VMT_LOG_POINT(c.log);
  if (!find_file_on_device(c, device_folder, false)) VMT_LOG_POINT(c.log);
  const std::size_t cut = path::last_separator(desktop_path);
  if (cut == std::string::npos || cut + 1 == desktop_path.size()) {
    c.report.report_line(
        c.texts.load_message_text(
            50373, "Error E54RTHG4, Unable to extract title and extension for file"),
        desktop_path);
    return copy_result::kFailed;
  }
  const std::string name = desktop_path.substr(cut + 1);
  if (!is_name_kept_whole(c, name, device_folder + name)) return copy_result::kFailed;
  const std::string destination = device_folder + name;
  return reported_copy(
      c, desktop_path, destination,
      [&] { return copy_block_loop_up(c, desktop_path, to_device(destination), size, name); },
      [&] { return find_file_on_device(c, destination, false); });
}

}  // namespace vmt::device
