#include "device/device_link.h"

#include "app/error_reports.h"
#include "device/clock_check.h"
#include "device/field_program.h"
#include "device/projects_folder.h"
#include "platform/common/utf.h"

namespace vmt::device {
namespace {

// The connection is up when its event signals within this time; no retry.
constexpr std::uint32_t kConnectWaitMs = 1000;

std::string without_trailing_backslashes(std::string path) {
  while (!path.empty() && path.back() == '\\') path.pop_back();
  return path;
}

}  // namespace

std::u16string to_device(const std::string& path) { return platform::to_utf16(path); }
std::string from_device(const std::u16string& path) { return platform::to_utf8(path); }

int connect_to_device(app::RunContext& c, bool full, bool ask) {
  platform::Device& device = c.platform.device;
  platform::RapiInit init;
  if (device.CeRapiInitEx(&init) != platform::ce::kSOk) {
    c.connected = false;
    return status::kInitFailed;
  }
  c.connected = true;
  const std::uint32_t wait = device.WaitForInitEvent(&init, kConnectWaitMs);
  if (wait != platform::ce::kWaitObject0) {
    disconnect_from_device(c);
    if (wait == platform::ce::kWaitTimeout) return status::kConnectTimeout;
    const std::string format = c.texts.load_message_format(
        50237,
        "Unable to connect to data collector (%ld). Use Microsoft ActiveSync to make the "
        "connection.");
    c.report.report_line(app::format_message(format.c_str(), static_cast<long>(static_cast<std::int32_t>(wait))));
    return status::kConnectFailed;
  }
  // The event also signals a connection that failed; its result says which.
  if (platform::ce::failed(init.hrRapiInit)) {
    disconnect_from_device(c);
    c.report.report_line(c.texts.format_message_text(
        50640, "The connection to the data collector failed (0x%08lX).",
        static_cast<unsigned long>(static_cast<std::uint32_t>(init.hrRapiInit))));
    return status::kInitFailed;
  }
  if (!c.clock_check_done) {
    c.clock_check_done = true;
    check_clock(c);
  }
  if (!full) return status::kSuccess;

  std::string projects_folder;
  std::string settings_file;
  const int found = get_collector_projects_folder(c, &projects_folder, &settings_file);
  if (found != status::kSuccess) {
    disconnect_from_device(c);
    if (found < status::kNoProduct || found > status::kEmptyDataDir) VMT_LOG_POINT(c.log);
    return found;
  }
  if (!find_file_on_device(c, projects_folder, true)) {
    disconnect_from_device(c);
    return status::kNoProjectsFolder;
  }
  if (!find_file_on_device(c, settings_file, true)) {
    disconnect_from_device(c);
    return status::kNoSettingsFile;
  }

  int program = 0;
  const int running = is_field_program_running(c, &program);
  if (running != 0 && running != 1) VMT_LOG_POINT(c.log);
  if (program != 1 && program != 2) VMT_LOG_POINT(c.log);
  if (running == 1) {
    const std::string warning =
        program == static_cast<int>(FieldProgram::kSceneledger)
            ? c.texts.load_message_text(
                  50287,
                  "WARNING: Sceneledger is currently running on the data collector.\nThere may "
                  "be files in use which if updated or copied may have negative consequences.")
            : c.texts.load_message_text(
                  50288,
                  "WARNING: Plotwise is currently running on the data collector.\nThere may be "
                  "files in use which if updated or copied may have negative consequences.");
    const std::string title = app::program_title(c);
    if (!ask) {
      c.boxes.show(c.main_window, warning, title, app::mb::kOk | app::mb::kIconWarning);
    } else if (c.boxes.show(c.main_window, warning, title,
                            app::mb::kOkCancel | app::mb::kIconQuestion) == app::id::kCancel) {
      disconnect_from_device(c);
      return status::kCancelled;
    }
  }
  return status::kSuccess;
}

int disconnect_from_device(app::RunContext& c) {
  if (!c.connected) VMT_LOG_POINT(c.log);
  c.connected = false;
  return c.platform.device.CeRapiUninit() == 0 ? status::kSuccess : status::kUninitFailed;
}

bool find_file_on_device(app::RunContext& c, const std::string& path, bool log_miss) {
  platform::Device& device = c.platform.device;
  platform::CeFindData data;
  const platform::CeHandle find =
      device.CeFindFirstFile(to_device(without_trailing_backslashes(path)), &data);
  if (find == platform::kCeInvalidHandle) {
    if (log_miss) {
      c.report.report_line(
          c.texts.load_message_text(50365, "Unable to find this file on the data collector"),
          path);
    }
    return false;
  }
  if (!device.CeFindClose(find)) VMT_LOG_POINT(c.log);
  return true;
}

bool create_dir_on_device(app::RunContext& c, const std::string& path) {
  platform::Device& device = c.platform.device;
  const std::string line =
      app::format_message("Begin creating directory on device: %s ... ", path.c_str());
  platform::CeFindData data;
  const platform::CeHandle find = device.CeFindFirstFile(to_device(path), &data);
  if (find != platform::kCeInvalidHandle) {
    c.report.report_line(
        line + c.texts.load_message_text(50325, "already exists, no need to create"));
    if (!device.CeFindClose(find)) VMT_LOG_POINT(c.log);
    return true;
  }
  if (!device.CeCreateDirectory(to_device(path))) {
    c.report.report_line(line + c.texts.load_message_text(50323, "Error, could not create."));
    return false;
  }
  c.report.report_line(line + c.texts.load_message_text(50324, "successful."));
  return true;
}

bool make_subdir_on_device(app::RunContext& c, const std::string& parent,
                           const std::string& name) {
  const std::string folder = parent + name;
  if (!find_file_on_device(c, parent, true)) VMT_LOG_POINT(c.log);
  if (find_file_on_device(c, folder, false)) VMT_LOG_POINT(c.log);
  create_dir_on_device(c, folder);
  if (!find_file_on_device(c, folder, true)) VMT_LOG_POINT(c.log);
  return true;
}

std::uint32_t last_device_error(app::RunContext& c) {
  platform::Device& device = c.platform.device;
  if (platform::ce::failed(device.CeRapiGetError())) return platform::error::kDeviceNotConnected;
  return device.CeGetLastError();
}

bool device_link_lost(app::RunContext& c) {
  return last_device_error(c) == platform::error::kDeviceNotConnected;
}

void report_remote_error(app::RunContext& c, const std::string& title,
                         const std::string& detail) {
  const std::uint32_t code = last_device_error(c);
  const std::string text = c.platform.shell.system_error_text(code) + "\n" + detail;
  c.boxes.show(0, text, c.texts.load_message_text(50297, "Veldmark - ") + title,
               app::mb::kOk | app::mb::kIconInformation);
}

bool status_text_for_code(app::RunContext& c, int code, std::string* text) {
  app::MessageTexts& t = c.texts;
  switch (code) {
    case status::kNoProduct:
      *text = t.load_message_text(50333, "No Veldmark products found on data collector");
      return true;
    case status::kNoInstallLocation:
      *text = t.load_message_text(
          50334, "Error getting install location for product on data collector");
      return true;
    case status::kNoDesktopTemp:
      *text = t.load_message_text(
          50335, "Error unable to create a temporary directory on the desktop computer");
      return true;
    case status::kSettingsCopyFailed:
      *text = t.load_message_text(
          50518, "Program is running on data collector, please close it and try again.");
      return true;
    case status::kNoDataDir:
      *text = t.load_message_text(
          50337,
          "Error unable to get datadir from ini file. Try running the program on the data "
          "collector, then run the transfer program again.");
      return true;
    case status::kEmptyDataDir:
      *text = t.load_message_text(50338, "Error projects folder string in registry key is null");
      return true;
    case status::kInitFailed:
      *text = t.load_message_text(50339, "Error initializing connection to data collector");
      return true;
    case status::kConnectTimeout:
      *text = t.load_message_text(
          50340,
          "Unable to connect to data collector. Use Microsoft ActiveSync to make the connection.");
      return true;
    case status::kConnectFailed:
      *text = t.load_message_text(50341,
                                  "Unable to connect to data collector. Use Microsoft ActiveSync "
                                  "to make the connection. (2)");
      return true;
    case status::kUninitFailed:
      *text = t.load_message_text(50342, "Error uninitializing connection to data collector");
      return true;
    case status::kNoProjectsFolder:
      *text = t.load_message_text(
          50343, "Error, unable to access projects folder on the data collector");
      return true;
    case status::kNoSettingsFile:
      *text = t.load_message_text(50344,
                                  "Error, unable to access the vmark.ini on the data collector");
      return true;
    default:
      VMT_LOG_POINT(c.log);
      return false;
  }
}

}  // namespace vmt::device
