// The link to the data collector: opening and closing the connection with the
// checks that follow it, and the small remote file operations that the other
// parts share. Every command opens its own connection and closes it again.
#pragma once

#include <string>

#include "app/run_context.h"

namespace vmt::device {

// Device status codes of the connection and the projects-folder lookup.
namespace status {
constexpr int kSuccess = 1;
constexpr int kNoProduct = 401;
constexpr int kNoInstallLocation = 402;
constexpr int kNoDesktopTemp = 403;
constexpr int kSettingsCopyFailed = 404;
constexpr int kNoDataDir = 405;
constexpr int kEmptyDataDir = 406;
constexpr int kInitFailed = 407;
constexpr int kConnectTimeout = 408;
constexpr int kConnectFailed = 409;
constexpr int kUninitFailed = 410;
constexpr int kNoProjectsFolder = 411;
constexpr int kNoSettingsFile = 412;
constexpr int kCancelled = 500;
}  // namespace status

// Device paths are UTF-8 here and UTF-16 at the device interface.
std::u16string to_device(const std::string& path);
std::string from_device(const std::u16string& path);

// Opens the connection and runs the checks after it: the clock check once per
// run, then with `full` the projects folder, the settings file and the field
// program's running state (asking OK/Cancel with `ask`). 1, or a status code;
// on every failure after the start the connection is closed again.
int connect_to_device(app::RunContext& context, bool full, bool ask);

// The codes a connection gives in the normal course of things: 1, 401 to 409,
// 411 and 412; callers log any other.
inline bool is_known_connection_code(int code) {
  return code == status::kSuccess || (code >= 401 && code <= 409) || code == 411 || code == 412;
}

// 1, or 410 when the device would not close.
int disconnect_from_device(app::RunContext& context);

// True when a file or folder of that path exists (trailing backslashes aside).
bool find_file_on_device(app::RunContext& context, const std::string& path, bool log_miss);

// Creates one device folder whose parent exists; true when it exists after.
bool create_dir_on_device(app::RunContext& context, const std::string& path);

// Creates parent + name (joined as given); misses are only logged.
bool make_subdir_on_device(app::RunContext& context, const std::string& parent,
                           const std::string& name);

// The code of the last failed remote call: 1167 (not connected) when it failed
// in the remote API itself, whatever the device said last; else the device's.
std::uint32_t last_device_error(app::RunContext& context);
// True when the last failed remote call failed because the link is gone.
bool device_link_lost(app::RunContext& context);

// The last remote error's system text and `detail`, captioned "Veldmark - " + title.
void report_remote_error(app::RunContext& context, const std::string& title,
                         const std::string& detail);

// The status-area text of a code from 401 to 412; for other codes a log line
// and false.
bool status_text_for_code(app::RunContext& context, int code, std::string* text);

}  // namespace vmt::device
