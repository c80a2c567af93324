#include "device/field_program.h"

#include <cstring>

#include "app/error_reports.h"
#include "device/device_link.h"
#include "platform/common/utf.h"

namespace vmt::device {
namespace {

// InstallLoc and StatusRunning are read into 260 wide characters.
constexpr std::uint32_t kValueCharacters = 260;

struct ProgramTexts {
  const char* key;
  const char* open_code;
  const char* read_code;
  const char* location_missing;
  const char* location_invalid;
  const char* close_missing;
  const char* close_invalid;
  const char* close_other;
  const char* close_success;
  const char* running_key_missing;
  const char* running_key_invalid;
  const char* running_value_missing;
  const char* running_value_invalid;
};

const ProgramTexts kPlotwise = {
    "SOFTWARE\\Veldmark Software, Inc.\\Plotwise",
    "EFERG-67", "EFDRG-87",
    "Error 34-876Y, unable to find DEVICE:", "Error A34-876Y, unable to find DEVICE:",
    "RGYT-87", "ARGYT-87", "RGYT-83", "RGYT-85A",
    "Error BVDE34, unable to find DEVICE:", "Error ABVDE34, unable to find DEVICE:",
    "Error 324-876Y, unable to find DEVICE:", "Error A324-876Y, unable to find DEVICE:"};
const ProgramTexts kSceneledger = {
    "SOFTWARE\\Veldmark Software, Inc.\\Sceneledger",
    "EFXRG-67", "EFDRG-873",
    "Error 734-876Y, unable to find DEVICE:", "Error A734-876Y, unable to find DEVICE:",
    "RG2YT-87", "ARG2YT-87", "RGYT-833", "RGYT-85AA",
    "Error BVDE3E, unable to find DEVICE:", "Error ABVDE3E, unable to find DEVICE:",
    "Error 324-876E, unable to find DEVICE:", "Error A324-876E, unable to find DEVICE:"};

const ProgramTexts& texts_of(int program) {
  return program == static_cast<int>(FieldProgram::kSceneledger) ? kSceneledger : kPlotwise;
}

std::string full_key(const ProgramTexts& t) { return std::string("HKEY_LOCAL_MACHINE\\") + t.key; }

std::string with_code(const std::string& text, long code) {
  return text + " (" + std::to_string(code) + ")";
}

void coded_box(app::RunContext& c, const char* code, long result, const std::string& detail) {
  app::last_error_box(c, code, static_cast<std::uint32_t>(result), detail);
}

void close_key(app::RunContext& c, platform::CeRegKey key, const ProgramTexts& t,
               const char* close_code) {
  const long result = c.platform.device.CeRegCloseKey(key);
  if (result != 0) {
    coded_box(c, close_code, result, with_code("error closing DEVICE:" + full_key(t), result));
  }
}

// A wide string value; 0 or the registry's code (234 when it does not fit).
long read_text(app::RunContext& c, platform::CeRegKey key, const char* name, std::string* text) {
  char16_t buffer[kValueCharacters] = {};
  std::uint32_t size = sizeof(buffer);
  std::uint32_t type = 0;
  const long result =
      c.platform.device.CeRegQueryValueEx(key, to_device(name), &type, buffer, &size);
  if (result != 0) return result;
  std::size_t length = 0;
  while (length < size / sizeof(char16_t) && length < kValueCharacters && buffer[length] != 0) {
    ++length;
  }
  *text = from_device(std::u16string(buffer, length));
  return 0;
}

}  // namespace

int get_install_location(app::RunContext& c, FieldProgram program, std::string* location) {
  const ProgramTexts& t = texts_of(static_cast<int>(program));
  platform::Device& device = c.platform.device;
  platform::CeRegKey key = 0;
  const long opened = device.CeRegOpenKeyEx(platform::kCeHkeyLocalMachine, to_device(t.key), &key);
  if (opened == 2) {
    VMT_LOG_POINT(c.log);
    return -3;
  }
  if (opened == 87) {
    VMT_LOG_POINT(c.log);
    return -5;
  }
  if (opened != 0) {
    coded_box(c, t.open_code, opened, with_code("Opening DEVICE:" + full_key(t), opened));
    return -1;
  }
  const std::string value_path = full_key(t) + "\\InstallLoc";
  std::string text;
  const long read = read_text(c, key, "InstallLoc", &text);
  if (read == 2) {
    app::warning_box(c, t.location_missing + value_path);
    close_key(c, key, t, t.close_missing);
    return -2;
  }
  if (read == 87) {
    app::warning_box(c, t.location_invalid + value_path);
    close_key(c, key, t, t.close_invalid);
    return -5;
  }
  if (read != 0) {
    coded_box(c, t.read_code, read, with_code("Opening DEVICE:" + value_path, read));
    close_key(c, key, t, t.close_other);
    return -4;
  }
  *location = text;
  close_key(c, key, t, t.close_success);
  return 1;
}

int choose_field_program(app::RunContext& c, std::string* location, std::size_t size) {
  std::string plotwise;
  std::string sceneledger;
  const bool has_plotwise = get_install_location(c, FieldProgram::kPlotwise, &plotwise) == 1;
  const bool has_sceneledger =
      get_install_location(c, FieldProgram::kSceneledger, &sceneledger) == 1;
  if (c.field_program == 0) {
    if (has_plotwise && has_sceneledger) {
      const int answer = c.boxes.show(
          c.main_window,
          c.texts.load_message_text(50037,
                                    "Both Plotwise and Sceneledger have been detected on this "
                                    "data collector.\nPick Yes to default to Plotwise\nPick No to "
                                    "default to Sceneledger"),
          app::program_title(c), app::mb::kYesNo);
      c.field_program = answer == app::id::kYes ? 1 : 2;
    } else if (has_plotwise) {
      c.field_program = 1;
    } else if (has_sceneledger) {
      c.field_program = 2;
    } else {
      c.boxes.show(c.main_window,
                   c.texts.load_message_text(50333, "No Veldmark products found on data collector"),
                   app::program_title(c), app::mb::kOk | app::mb::kIconInformation);
      location->clear();
      return 401;
    }
  }
  if (!c.field_program_logged) {
    c.field_program_logged = true;
    const std::string not_set = c.texts.load_message_text(50349, "No working program set");
    if (c.field_program == 0) {
      c.report.report_line(not_set, c.texts.load_message_text(50348, "Error"));
    } else if (c.field_program != 1 && c.field_program != 2) {
      const std::string format = c.texts.load_message_format(50039, "Error (%d)");
      c.report.report_line(app::format_message(format.c_str(), c.field_program), not_set);
    }
  }
  const std::string& chosen = c.field_program == 2 ? sceneledger : plotwise;
  // A location that does not fit is not cut into another folder's name.
  *location = size > 0 && chosen.size() <= size - 1 ? chosen : std::string();
  if (location->size() != chosen.size()) VMT_LOG_POINT(c.log);
  return 1;
}

int is_field_program_running(app::RunContext& c, int* program) {
  *program = c.field_program;
  if (c.field_program == 0) VMT_LOG_POINT(c.log);
  const ProgramTexts& t = texts_of(c.field_program);
  const std::string while_testing =
      c.texts.load_message_text(50501, "\nwhile testing to see if program running");
  platform::CeRegKey key = 0;
  const long opened =
      c.platform.device.CeRegOpenKeyEx(platform::kCeHkeyLocalMachine, to_device(t.key), &key);
  if (opened == 2 || opened == 87) {
    app::warning_box(c, (opened == 2 ? t.running_key_missing : t.running_key_invalid) +
                            full_key(t) + while_testing);
    return 0;
  }
  if (opened != 0) {
    coded_box(c, "KPYTE", opened,
              with_code("error opening DEVICE:" + full_key(t) + while_testing, opened));
    return 0;
  }
  const std::string value_path = full_key(t) + "\\StatusRunning";
  std::string text;
  const long read = read_text(c, key, "StatusRunning", &text);
  if (read == 2 || read == 87) {
    app::warning_box(c, (read == 2 ? t.running_value_missing : t.running_value_invalid) +
                            value_path);
    close_key(c, key, t, read == 2 ? "R2GYT-8E" : "AR2GYT-8E");
    return 0;
  }
  if (read != 0) {
    coded_box(c, "E2FDRE-87", read, with_code("Opening DEVICE:" + value_path, read));
    close_key(c, key, t, "R2GYE-83");
    return 0;
  }
  close_key(c, key, t, "ER2GYE-83");
  return platform::equals_no_case(text, std::string("YES")) ? 1 : 0;
}

}  // namespace vmt::device
