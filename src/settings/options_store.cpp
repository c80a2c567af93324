#include "settings/options_store.h"

#include <cstring>
#include <functional>

#include "app/error_reports.h"
#include "platform/common/utf.h"
#include "settings/catalogue.h"

namespace vmt::settings {
namespace {

using platform::RegistryKey;
using platform::RegistryRoot;

// RegQueryValueExA reads into a buffer of this many bytes.
constexpr std::size_t kQueryBufferSize = 2048;

enum class Reported { kAlways, kWhenAsked };

struct ReaderTexts {
  const char* value;
  const char* open;   // "%s" is the key path
  const char* query;  // "%s" is the key path
  const char* close_after_query;
  bool close_after_query_plain;
  const char* close_after_missing;  // folder readers: the close after a missing value
  const char* close;
  Reported open_reported;
  Reported query_reported;
  Reported close_reported;
};

struct WriterTexts {
  const char* value;
  const char* open;
  const char* set;
  const char* close;
};

const ReaderTexts kLaunchOnTransfer = {
    "LaunchOnTransfer",
    "Error REG5FUN-18\nopening for querying\nHKEY_LOCAL_MACHINE\n%s",
    "Error REG5FUN-19, querying LaunchOnTransfer",
    "Error REG5FUN-100, closing reg key", false, nullptr,
    "Error REG5FUN-21, closing reg key",
    Reported::kAlways, Reported::kAlways, Reported::kAlways};
const ReaderTexts kCreateReports = {
    "CreateReports",
    "Error REG5FUN-E22\nopening for querying\nHKEY_LOCAL_MACHINE\n%s",
    "Error REG5FUN-E23, querying CreateReports",
    "Error REG5FUN-E101, closing reg key", true, nullptr,
    "Error REG5FUN-E26, closing reg key",
    Reported::kAlways, Reported::kWhenAsked, Reported::kAlways};
const ReaderTexts kCopySubfolders = {
    "CopySubfolders",
    "Error REG5FUN-CS1\nopening for querying\nHKEY_LOCAL_MACHINE\n%s",
    "Error REG5FUN-CS2, querying CopySubfolders",
    "Error REG5FUN-CS3, closing reg key", true, nullptr,
    "Error REG5FUN-CS4, closing reg key",
    Reported::kWhenAsked, Reported::kWhenAsked, Reported::kAlways};
const ReaderTexts kKeepReplaced = {
    "KeepReplaced",
    "Error REG5FUN-KR1\nopening for querying\nHKEY_LOCAL_MACHINE\n%s",
    "Error REG5FUN-KR2, querying KeepReplaced",
    "Error REG5FUN-KR3, closing reg key", true, nullptr,
    "Error REG5FUN-KR4, closing reg key",
    Reported::kWhenAsked, Reported::kWhenAsked, Reported::kAlways};
const ReaderTexts kKeepReplacedDays = {
    "KeepReplacedDays",
    "Error REG5FUN-KD1\nopening for querying\nHKEY_LOCAL_MACHINE\n%s",
    "Error REG5FUN-KD2, querying KeepReplacedDays",
    "Error REG5FUN-KD3, closing reg key", true, nullptr,
    "Error REG5FUN-KD4, closing reg key",
    Reported::kWhenAsked, Reported::kWhenAsked, Reported::kAlways};
const ReaderTexts kVerifyCopies = {
    "VerifyCopies",
    "Error REG5FUN-VC1\nopening for querying\nHKEY_LOCAL_MACHINE\n%s",
    "Error REG5FUN-VC2, querying VerifyCopies",
    "Error REG5FUN-VC3, closing reg key", true, nullptr,
    "Error REG5FUN-VC4, closing reg key",
    Reported::kWhenAsked, Reported::kWhenAsked, Reported::kAlways};
const ReaderTexts kDefSyncProgram = {
    "DefSyncProgram",
    "Error REG5FUN-43\nopening for querying\nHKEY_LOCAL_MACHINE\n%s",
    "Error REG5FUN-44, querying\nHKEY_LOCAL_MACHINE\n%s\\DefSyncProgram",
    "Error REG5FUN-106, closing reg key", true, nullptr,
    "Error REG5FUN-47, closing reg key",
    Reported::kWhenAsked, Reported::kWhenAsked, Reported::kWhenAsked};
const ReaderTexts kUserDownDir = {
    "UserDownDir",
    "Error REG5FUN-48\nopening for querying\nHKEY_LOCAL_MACHINE\n%s",
    "Error REG5FUN-201, querying UserDownDir",
    "Error REG5FUN-202, closing reg key", true, "Error REG5FUN-203, closing reg key",
    "Error REG5FUN-51, closing reg key",
    Reported::kWhenAsked, Reported::kWhenAsked, Reported::kWhenAsked};
const ReaderTexts kUserUpDir = {
    "UserUpDir",
    "Error REG5FUN-52\nopening for querying\nHKEY_LOCAL_MACHINE\n%s",
    "Error REG5FUN-53, querying UserUpDir",
    "Error REG5FUN-200, closing reg key", true, "Error REG5FUN-108, closing reg key",
    "Error REG5FUN-55, closing reg key",
    Reported::kWhenAsked, Reported::kWhenAsked, Reported::kWhenAsked};
const ReaderTexts kUserCsvDir = {
    "UserCsvDir",
    "Error REG5FUN-4ER8\nopening for querying\nHKEY_LOCAL_MACHINE\n%s",
    "Error REG5FUN-2015, querying UserCsvDir",
    "Error REG5FUN-2025, closing reg key", true, "Error REG5FUN-2035, closing reg key",
    "Error REG5FUN-515, closing reg key",
    Reported::kAlways, Reported::kWhenAsked, Reported::kAlways};
const ReaderTexts kTransferExe = {
    "TransferExe",
    "Error REG5FUN-5X6\nopening for querying\nHKEY_LOCAL_MACHINE\n%s",
    "Error REG5FUN-5X7\nquerying\nHKEY_LOCAL_MACHINE\n%s\\TransferExe",
    "Error REG5FUN-1X09, closing reg key", true, nullptr,
    "Error REG5FUN-6X1, closing reg key",
    Reported::kAlways, Reported::kAlways, Reported::kAlways};

// A failed write is one notice that names the setting, with the failure's code
// (the two flags' codes are those of their former system error reports).
const WriterTexts kSetCreateReports = {
    "CreateReports", "Error REG5FUN-AJA1\nopening for setting\nHKEY_LOCAL_MACHINE\n%s",
    "Error ASC-AJJA5RR5556, setting CreateReports", "Error REG5FUN-JAA2, closing reg key"};
const WriterTexts kSetLaunchOnTransfer = {
    "LaunchOnTransfer", "Error REG5FUN-62\nopening for setting\nHKEY_LOCAL_MACHINE\n%s",
    "Error REG5FUN-63, setting LaunchOnTransfer", "Error REG5FUN-64, closing reg key"};
const WriterTexts kSetCopySubfolders = {
    "CopySubfolders", "Error REG5FUN-CS5\nopening for setting\nHKEY_LOCAL_MACHINE\n%s",
    "Error REG5FUN-CS6, setting CopySubfolders", "Error REG5FUN-CS7, closing reg key"};
const WriterTexts kSetKeepReplaced = {
    "KeepReplaced", "Error REG5FUN-KR5\nopening for setting\nHKEY_LOCAL_MACHINE\n%s",
    "Error REG5FUN-KR6, setting KeepReplaced", "Error REG5FUN-KR7, closing reg key"};
const WriterTexts kSetKeepReplacedDays = {
    "KeepReplacedDays", "Error REG5FUN-KD5\nopening for setting\nHKEY_LOCAL_MACHINE\n%s",
    "Error REG5FUN-KD6, setting KeepReplacedDays", "Error REG5FUN-KD7, closing reg key"};
const WriterTexts kSetVerifyCopies = {
    "VerifyCopies", "Error REG5FUN-VC5\nopening for setting\nHKEY_LOCAL_MACHINE\n%s",
    "Error REG5FUN-VC6, setting VerifyCopies", "Error REG5FUN-VC7, closing reg key"};
const WriterTexts kSetDefSyncProgram = {
    "DefSyncProgram", "Error REG5FUN-71\nopening for setting\nHKEY_LOCAL_MACHINE\n%s",
    "Error REG5FUN-72, setting DefSyncProgram", "Error REG5FUN-73, closing reg key"};
const WriterTexts kSetUserDownDir = {
    "UserDownDir", "Error REG5FUN-74\nopening for setting\nHKEY_LOCAL_MACHINE\n%s",
    "Error REG5FUN-75, setting UserDownDir", "Error REG5FUN-76, closing reg key"};
const WriterTexts kSetUserCsvDir = {
    "UserCsvDir", "Error REG5FUN-743\nopening for setting\nHKEY_LOCAL_MACHINE\n%s",
    "Error REG5FUN-753, setting UserCsvDir", "Error REG5FUN-763, closing reg key"};
const WriterTexts kSetUserUpDir = {
    "UserUpDir", "Error REG5FUN-77\nopening for setting\nHKEY_LOCAL_MACHINE\n%s",
    "Error REG5FUN-78, setting UserUpDir", "Error REG5FUN-79, closing reg key"};

// The texts are fixed, so their one placeholder is filled by hand rather than
// handed to printf.
std::string fill(const char* text, const char* placeholder, const std::string& value) {
  std::string result = text;
  const std::size_t at = result.find(placeholder);
  if (at != std::string::npos) result.replace(at, std::strlen(placeholder), value);
  return result;
}

bool shown(Reported reported, bool report) {
  return reported == Reported::kAlways || report;
}

bool is_text(std::uint32_t type) {
  return type == platform::value_type::kString || type == platform::value_type::kExpandString;
}

// Opens, queries and closes; `check` runs on the text read while the key is
// still open, as the value's own test comes before the close.
bool read_value(app::RunContext& c, const ReaderTexts& t, bool report, std::string* text,
                const std::function<void(const std::string&)>& check = {}) {
  platform::Registry& registry = c.platform.registry;
  const std::string key_path = transfer_options_key();
  RegistryKey key = 0;
  long code = registry.open_key(RegistryRoot::kLocalMachine, key_path,
                                platform::key_access::kQueryValue, &key);
  if (code != 0) {
    if (shown(t.open_reported, report)) {
      app::registry_error_box(c, code, fill(t.open, "%s", key_path));
    }
    return false;
  }
  platform::RegistryValue value;
  code = registry.query_value(key, t.value, &value);
  if (code == 0 && !is_text(value.type)) code = platform::error::kInvalidData;
  if (code == 0 && value.text.size() + 1 > kQueryBufferSize) code = platform::error::kMoreData;
  if (code != 0) {
    const bool missing = code == platform::error::kFileNotFound && t.close_after_missing;
    if (!missing && shown(t.query_reported, report)) {
      app::registry_error_box(c, code, fill(t.query, "%s", key_path));
    }
    const long closed = registry.close_key(key);
    if (closed != 0 && shown(t.close_reported, report)) {
      const char* message = missing ? t.close_after_missing : t.close_after_query;
      if (t.close_after_query_plain) {
        app::warning_box(c, message);
      } else {
        app::registry_error_box(c, closed, message);
      }
    }
    return false;
  }
  *text = value.text;
  if (check) check(value.text);
  const long closed = registry.close_key(key);
  if (closed != 0 && shown(t.close_reported, report)) app::registry_error_box(c, closed, t.close);
  return true;
}

// A value that the caller's buffer cannot hold is not used at all.
bool fits_buffer(app::RunContext& c, const char* value_name, const std::string& text,
                 std::size_t size) {
  if (size > 0 && text.size() <= size - 1) return true;
  const std::string format = c.texts.load_message_format(
      50600,
      "The registry value %s is %u characters long; at most %u are accepted, so it was not "
      "used.\nHKEY_LOCAL_MACHINE\n%s");
  app::warning_box(c, app::format_message(format.c_str(), value_name,
                                          static_cast<unsigned>(text.size()),
                                          static_cast<unsigned>(size > 0 ? size - 1 : 0),
                                          transfer_options_key().c_str()));
  return false;
}

bool read_text(app::RunContext& c, const ReaderTexts& t, std::string* out, std::size_t size,
               bool report) {
  out->clear();
  std::string text;
  if (!read_value(c, t, report, &text)) return false;
  if (!fits_buffer(c, t.value, text, size)) return false;
  *out = text;
  return true;
}

// The one notice of a write that failed: which setting, then the failure. A
// standard user is told why, since only the installation can give the right.
void report_not_saved(app::RunContext& c, const char* value_name, const std::string& failure,
                      long code) {
  std::string notice = c.texts.format_message_text(
      50670, "The setting %s was not saved; it keeps the value it had.", value_name);
  if (code == platform::error::kAccessDenied) {
    notice += "\n" + c.texts.load_message_text(
                          50671,
                          "This Windows account may not change the program's settings. Installing "
                          "or repairing Veldmark Transfer gives every user of this PC that right.");
  }
  app::registry_error_box(c, code, notice + "\n\n" + failure);
}

bool write_value(app::RunContext& c, const WriterTexts& t, const std::string& text) {
  if (text.size() > kMaxOptionText) {
    const std::string format = c.texts.load_message_format(
        50601,
        "The text for %s is %u characters long; at most %u can be stored, so nothing was "
        "written.\n\n%s");
    app::warning_box(c, app::format_message(format.c_str(), t.value,
                                            static_cast<unsigned>(text.size()),
                                            static_cast<unsigned>(kMaxOptionText), text.c_str()));
    return false;
  }
  platform::Registry& registry = c.platform.registry;
  const std::string key_path = transfer_options_key();
  RegistryKey key = 0;
  long code = registry.open_key(RegistryRoot::kLocalMachine, key_path,
                                platform::key_access::kSetValue, &key);
  if (code != 0) {
    report_not_saved(c, t.value, fill(t.open, "%s", key_path), code);
    return false;
  }
  code = registry.set_string(key, t.value, text);
  if (code != 0) {
    report_not_saved(c, t.value, t.set, code);
    // The failure is reported already; the key is still let go.
    registry.close_key(key);
    return false;
  }
  const long closed = registry.close_key(key);
  if (closed != 0) app::registry_error_box(c, closed, t.close);
  return true;
}

// "1" or "0" in any case; anything else is shown as an error.
bool read_flag(app::RunContext& c, const ReaderTexts& t, bool report, const char* not_a_flag,
               bool* flag) {
  bool valid = false;
  std::string text;
  const bool read = read_value(c, t, report, &text, [&](const std::string& value) {
    if (value == "1" || value == "0") {
      valid = true;
      *flag = value == "1";
    } else {
      app::warning_box(c, not_a_flag);
    }
  });
  return read && valid;
}

// The flag as stored, read without a word: false when it cannot be read or is
// neither "1" nor "0".
bool stored_flag(app::RunContext& c, const char* name, bool* flag) {
  platform::Registry& registry = c.platform.registry;
  RegistryKey key = 0;
  if (registry.open_key(RegistryRoot::kLocalMachine, transfer_options_key(),
                        platform::key_access::kQueryValue, &key) != 0) {
    return false;
  }
  platform::RegistryValue value;
  const long code = registry.query_value(key, name, &value);
  registry.close_key(key);
  if (code != 0 || !is_text(value.type) || (value.text != "1" && value.text != "0")) return false;
  *flag = value.text == "1";
  return true;
}

}  // namespace

std::string transfer_options_key() { return "SOFTWARE\\Veldmark\\Transfer\\TransferOptions"; }

bool get_LaunchOnTransfer(app::RunContext& context) {
  bool flag = false;
  return read_flag(context, kLaunchOnTransfer, true,
                   "Error REG5FUN-20, LaunchOnTransfer is neither 0 nor 1", &flag) &&
         flag;
}

bool get_CreateReports(app::RunContext& context, bool* create_reports, bool report) {
  *create_reports = true;
  return read_flag(context, kCreateReports, report,
                   "Error REG5FUN-E25, CreateReports is neither 0 nor 1", create_reports);
}

bool get_CopySubfolders(app::RunContext& context) {
  bool flag = false;
  return read_flag(context, kCopySubfolders, false,
                   "Error REG5FUN-CS8, CopySubfolders is neither 0 nor 1", &flag) &&
         flag;
}

bool get_KeepReplaced(app::RunContext& context) {
  bool flag = true;
  return !read_flag(context, kKeepReplaced, false,
                    "Error REG5FUN-KR8, KeepReplaced is neither 0 nor 1", &flag) ||
         flag;
}

bool get_VerifyCopies(app::RunContext& context) {
  bool flag = true;
  return !read_flag(context, kVerifyCopies, false,
                    "Error REG5FUN-VC8, VerifyCopies is neither 0 nor 1", &flag) ||
         flag;
}

bool parse_keep_days(const std::string& text, int* days) {
  if (text.empty() || text.size() > 4) return false;
  int value = 0;
  for (const char ch : text) {
    if (ch < '0' || ch > '9') return false;
    value = value * 10 + (ch - '0');
  }
  if (value < 1 || value > kMaxKeepReplacedDays) return false;
  *days = value;
  return true;
}

int get_KeepReplacedDays(app::RunContext& context) {
  std::string text;
  if (!read_value(context, kKeepReplacedDays, false, &text)) return kDefaultKeepReplacedDays;
  int days = kDefaultKeepReplacedDays;
  if (!parse_keep_days(text, &days)) {
    app::warning_box(context, "Error REG5FUN-KD8, KeepReplacedDays is not a number of days from "
                              "1 to 3650");
    return kDefaultKeepReplacedDays;
  }
  return days;
}

bool get_DefSyncProgram(app::RunContext& context, std::string* out, std::size_t size,
                        bool report) {
  return read_text(context, kDefSyncProgram, out, size, report) && is_catalogue_name(*out);
}

bool get_UserDownDir(app::RunContext& context, std::string* out, std::size_t size, bool report) {
  return read_text(context, kUserDownDir, out, size, report);
}

bool get_UserUpDir(app::RunContext& context, std::string* out, std::size_t size, bool report) {
  return read_text(context, kUserUpDir, out, size, report);
}

bool get_UserCsvDir(app::RunContext& context, std::string* out, std::size_t size, bool report) {
  return read_text(context, kUserCsvDir, out, size, report);
}

bool get_TransferExe(app::RunContext& context, std::string* out, std::size_t size) {
  out->clear();
  std::string text;
  const bool read = read_value(context, kTransferExe, true, &text, [&](const std::string& path) {
    if (!context.platform.files.exists(path)) {
      app::warning_box(context, "Error REG5FUN-5X8\nfile not found:\n(" + path +
                                    ")\n\nTransferExe registry value");
    }
  });
  if (!read || !fits_buffer(context, kTransferExe.value, text, size)) return false;
  *out = text;
  return true;
}

bool stored_CreateReports(app::RunContext& context, bool* flag) {
  return stored_flag(context, "CreateReports", flag);
}

bool stored_LaunchOnTransfer(app::RunContext& context, bool* flag) {
  return stored_flag(context, "LaunchOnTransfer", flag);
}

bool set_CreateReports(app::RunContext& context, int flag) {
  return write_value(context, kSetCreateReports, flag == 1 ? "1" : "0");
}

bool set_LaunchOnTransfer(app::RunContext& context, int flag) {
  return write_value(context, kSetLaunchOnTransfer, flag == 1 ? "1" : "0");
}

bool set_CopySubfolders(app::RunContext& context, bool on) {
  return write_value(context, kSetCopySubfolders, on ? "1" : "0");
}

bool set_KeepReplaced(app::RunContext& context, bool on) {
  return write_value(context, kSetKeepReplaced, on ? "1" : "0");
}

bool set_VerifyCopies(app::RunContext& context, bool on) {
  return write_value(context, kSetVerifyCopies, on ? "1" : "0");
}

bool set_KeepReplacedDays(app::RunContext& context, int days) {
  return write_value(context, kSetKeepReplacedDays, std::to_string(days));
}

bool set_DefSyncProgram(app::RunContext& context, const std::string& text) {
  return write_value(context, kSetDefSyncProgram, text);
}

bool set_UserDownDir(app::RunContext& context, const std::string& text) {
  return write_value(context, kSetUserDownDir, text);
}

bool set_UserUpDir(app::RunContext& context, const std::string& text) {
  return write_value(context, kSetUserUpDir, text);
}

bool set_UserCsvDir(app::RunContext& context, const std::string& text) {
  return write_value(context, kSetUserCsvDir, text);
}

bool ensure_CreateReports(app::RunContext& context, bool default_value) {
  bool value = true;
  if (!get_CreateReports(context, &value, false)) set_CreateReports(context, default_value ? 1 : 0);
  return true;
}

bool option_exists(app::RunContext& context, const char* value_name) {
  platform::Registry& registry = context.platform.registry;
  RegistryKey key = 0;
  if (registry.open_key(RegistryRoot::kLocalMachine, transfer_options_key(),
                        platform::key_access::kQueryValue, &key) != 0) {
    return false;
  }
  platform::RegistryValue value;
  const long code = registry.query_value(key, value_name, &value);
  registry.close_key(key);
  return code == 0;
}

bool ensure_UserCsvDir(app::RunContext& context, const std::string& default_folder) {
  if (!option_exists(context, kUserCsvDir.value)) set_UserCsvDir(context, default_folder);
  return true;
}

}  // namespace vmt::settings
