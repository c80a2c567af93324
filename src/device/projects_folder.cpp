#include "device/projects_folder.h"

#include <vector>

#include "app/error_reports.h"
#include "device/device_link.h"
#include "device/field_program.h"
#include "platform/common/ini_file.h"
#include "platform/common/path.h"

namespace vmt::device {
namespace {

namespace path = platform::path;

constexpr std::size_t kInstallBufferSize = 260;
constexpr std::size_t kIniValueBufferSize = 4096;
constexpr std::uint32_t kBlockSize = 4096;
constexpr int kMaxTemporaryNames = 1000;

#ifdef _WIN32
constexpr char kFallbackTemp[] = "C:\\temp\\";
#else
constexpr char kFallbackTemp[] = "/tmp/";
#endif

// The temporary copy gets a name of this run's own, claimed by creating it, so
// that no other user's file of a fixed name is read or overwritten.
std::string claim_temporary_file(app::RunContext& c, const std::string& folder) {
  platform::DesktopFiles& files = c.platform.files;
  const std::uint64_t stamp = c.platform.clock.utc_now() / platform::kTicksPerSecond;
  for (int attempt = 0; attempt < kMaxTemporaryNames; ++attempt) {
    const std::string name = folder + "vmtransfer-vmark-" + std::to_string(stamp % 1000000) +
                             "-" + std::to_string(attempt) + ".ini";
    const platform::FileHandle file =
        files.open_file(name, platform::FileAccess::kReadWrite,
                        platform::FileDisposition::kCreateNew);
    if (file != platform::kInvalidFile) {
      files.close_file(file);
      return name;
    }
    if (files.last_error() != platform::error::kFileExists) break;
  }
  return {};
}

// The first non-empty answer of the keys in their order.
bool read_projects_folder(const platform::IniFile& ini, int program, std::string* folder) {
  struct Key {
    const char* section;
    const char* key;
  };
  std::vector<Key> keys = {{"Settings", "DataPath"}, {"Settings", "DATADIR"}};
  keys.push_back(program == static_cast<int>(FieldProgram::kSceneledger)
                     ? Key{"EVR", "DATADIR"}
                     : Key{"FGEN", "DATADIR"});
  for (const Key& key : keys) {
    std::string value;
    if (ini.get_string(key.section, key.key, "", &value, kIniValueBufferSize) > 0) {
      *folder = value;
      return true;
    }
  }
  return false;
}

// An absolute device path whose levels are all names.
bool is_device_folder(const std::string& folder) {
  if (folder.empty() || folder[0] != '\\' || folder.find('/') != std::string::npos) return false;
  std::size_t start = 1;
  while (start <= folder.size()) {
    std::size_t end = folder.find('\\', start);
    if (end == std::string::npos) end = folder.size();
    const std::string part = folder.substr(start, end - start);
    if (part == "." || part == "..") return false;
    start = end + 1;
  }
  return true;
}

}  // namespace

int get_collector_projects_folder(app::RunContext& c, std::string* projects_folder,
                                  std::string* settings_file) {
  if (!c.projects_folder.empty()) {
    if (c.device_settings_file.empty()) VMT_LOG_POINT(c.log);
    *projects_folder = c.projects_folder;
    *settings_file = c.device_settings_file;
    return status::kSuccess;
  }
  std::string install;
  const int chosen = choose_field_program(c, &install, kInstallBufferSize);
  if (chosen == status::kNoProduct) {
    c.report.report_line(c.texts.load_message_text(50358, "Veldmark not installed"),
                         c.texts.load_message_text(
                             50357, "Error while attempting to get project folder on device."));
    return status::kNoProduct;
  }
  if (chosen != status::kSuccess) VMT_LOG_POINT(c.log);
  if (c.field_program != 1 && c.field_program != 2) VMT_LOG_POINT(c.log);

  if (install.empty() || install.back() != '\\') install += '\\';
  if (install.size() < 4) {
    c.report.report_line(c.texts.load_message_text(50359, "Getting project folder, error?"));
    return status::kNoInstallLocation;
  }

  platform::DesktopFiles& files = c.platform.files;
  const auto no_temporary_folder = [&](const std::string& folder) {
    const std::string format = c.texts.load_message_format(50042, "Unable to make directory: %s");
    c.report.report_line(app::format_message(format.c_str(), folder.c_str()));
    return status::kNoDesktopTemp;
  };
  std::string temp = files.temp_folder();
  if (temp.empty()) {
    c.report.report_line(
        c.texts.load_message_text(50360, "Unable to get the desktop temporary directory"));
    temp = kFallbackTemp;
    if (!files.exists(temp) && !files.make_folder(temp)) return no_temporary_folder(temp);
  }
  temp = path::with_trailing_separator(temp);

  const std::string device_ini = install + "Programs\\vmark.ini";
  c.device_settings_file = device_ini;
  *settings_file = device_ini;

  const std::string copy = claim_temporary_file(c, temp);
  if (copy.empty()) return no_temporary_folder(temp);
  if (!copy_device_file(c, device_ini, copy, platform::FileDisposition::kCreateAlways)) {
    // The status text speaks of a running program; the line says what failed.
    c.report.report_line(
        c.texts.load_message_text(
            50361, "Unable to copy ini file from device to desktop, critical error."),
        device_ini);
    files.delete_file(copy);
    return status::kSettingsCopyFailed;
  }

  const platform::IniFile ini = platform::IniFile::load(files, copy);
  std::string folder;
  if (!read_projects_folder(ini, c.field_program, &folder)) {
    // The copy is kept for diagnosis; the line says where it is.
    c.report.report_line(
        c.texts.load_message_text(
            50362, "Unable to get datadir/datapath from device vmark.ini file, critical error."),
        copy);
    return status::kNoDataDir;
  }
  if (folder.empty()) {
    c.report.report_line(
        c.texts.load_message_text(
            50363, "datadir/datapath from device vmark.ini file missing, critical error."),
        copy);
    return status::kEmptyDataDir;
  }
  if (!is_device_folder(folder)) {
    // A relative folder or one that climbs with ".." is not the device's own
    // projects folder; it is refused like a missing one, the copy kept.
    c.report.report_line(
        c.texts.load_message_text(
            50362, "Unable to get datadir/datapath from device vmark.ini file, critical error."),
        copy);
    return status::kNoDataDir;
  }
  if (!files.delete_file(copy)) {
    const std::string format =
        c.texts.load_message_format(50045, "Unable to delete the temporary file: %s");
    c.report.report_line(app::format_message(format.c_str(), copy.c_str()));
  }
  c.projects_folder = folder;
  *projects_folder = folder;
  c.report.report_line(
      c.texts.load_message_text(50364, "Projects folder found on data collector"), folder);
  return status::kSuccess;
}

bool copy_device_file(app::RunContext& c, const std::string& device_path,
                      const std::string& desktop_path, platform::FileDisposition disposition) {
  platform::Device& device = c.platform.device;
  platform::DesktopFiles& files = c.platform.files;
  const platform::CeHandle source =
      device.CeCreateFile(to_device(device_path), platform::ce::kGenericRead, 0,
                          platform::ce::kOpenExisting, platform::ce::kFileAttributeNormal);
  if (source == platform::kCeInvalidHandle) return false;
  const platform::FileHandle target =
      files.open_file(desktop_path, platform::FileAccess::kReadWrite, disposition);
  if (target == platform::kInvalidFile) {
    if (!device.CeCloseHandle(source)) VMT_LOG_POINT(c.log);
    return false;
  }
  bool ok = true;
  std::vector<unsigned char> block(kBlockSize);
  for (;;) {
    std::uint32_t read = 0;
    if (!device.CeReadFile(source, block.data(), kBlockSize, &read)) {
      ok = false;
      break;
    }
    std::uint32_t written = 0;
    if (read > 0 && (!files.write_file(target, block.data(), read, &written) || written != read)) {
      ok = false;
      break;
    }
    // A short read may come before a failure on a real link: only an empty
    // read is the end of the file.
    if (read == 0) break;
  }
  platform::FileTimes times;
  if (ok && device.CeGetFileTime(source, &times.creation, &times.last_access, &times.last_write)) {
    if (!files.set_file_times(target, times)) VMT_LOG_POINT(c.log);
  } else if (ok) {
    VMT_LOG_POINT(c.log);
  }
  if (!device.CeCloseHandle(source)) VMT_LOG_POINT(c.log);
  if (!files.close_file(target)) ok = false;
  // Half a copy is never left looking like the file.
  if (!ok) files.delete_file(desktop_path);
  return ok;
}

bool copy_collector_file_to_desktop(app::RunContext& c, const std::string& device_path,
                                    const std::string& desktop_folder, bool report) {
  if (!find_file_on_device(c, device_path, true)) {
    c.report.report_line(
        c.texts.load_message_text(50350, "Unable to access (attempting to copy file)"),
        device_path);
    return false;
  }
  if (!c.platform.files.exists(desktop_folder)) VMT_LOG_POINT(c.log);
  const std::size_t slash = device_path.rfind('\\');
  if (slash == std::string::npos) {
    c.report.report_line(
        c.texts.load_message_text(50351, "error in filename (attempting to copy file)"),
        device_path);
    return false;
  }
  const std::string destination = path::join(desktop_folder, device_path.substr(slash + 1));
  const std::string to = c.texts.load_message_text(50353, "                to");
  if (report) {
    c.report.report_line(c.texts.load_message_text(50352, "Begin copying from"), device_path);
    c.report.report_line(to, destination);
  }
  if (copy_device_file(c, device_path, destination, platform::FileDisposition::kCreateAlways)) {
    if (report) c.report.report_line(c.texts.load_message_text(50354, "                Successful"));
    return true;
  }
  if (report) {
    c.report.report_line(c.texts.load_message_text(50355, "                Not successful"));
  } else {
    c.report.report_line(c.texts.load_message_text(50356, "Error copying, from"), device_path);
    c.report.report_line(to, destination);
  }
  return false;
}

}  // namespace vmt::device
