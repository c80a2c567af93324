#include "device/active_sync_settings.h"

#include "app/error_reports.h"
#include "platform/common/utf.h"
#include "settings/options_store.h"

namespace vmt::device {
namespace {

using platform::RegistryKey;
using platform::RegistryRoot;

constexpr char kServicesKey[] = "Software\\Microsoft\\Windows CE Services";
constexpr char kAutoStartKey[] = "Software\\Microsoft\\Windows CE Services\\AutoStartOnConnect";
constexpr char kAutoStartValue[] = "Veldmark";
constexpr char kGuestValue[] = "GuestOnly";

std::string full(const std::string& path) { return "HKEY_LOCAL_MACHINE\\" + path; }

// The system's report with its code: the text, the key or value, the error.
void report(app::RunContext& c, const char* code, const std::string& text,
            const std::string& path, long error) {
  app::last_error_box(c, code, static_cast<std::uint32_t>(error),
                      app::format_message("%s (((%ld)))", (text + full(path)).c_str(), error));
}

std::string opening(app::RunContext& c) { return c.texts.load_message_text(50271, "Error opening "); }

// A key of the local machine, closed when it goes.
class Key {
 public:
  Key(app::RunContext& c, const char* path, std::uint32_t access) : c_(c) {
    error_ = c.platform.registry.open_key(RegistryRoot::kLocalMachine, path, access, &key_);
  }
  ~Key() {
    if (error_ == 0) c_.platform.registry.close_key(key_);
  }
  Key(const Key&) = delete;
  Key& operator=(const Key&) = delete;
  long error() const { return error_; }
  RegistryKey get() const { return key_; }

 private:
  app::RunContext& c_;
  RegistryKey key_ = 0;
  long error_ = 0;
};

// What ActiveSync runs when a device connects: a command line, so the path is
// quoted, or a folder with a blank in it would start another program.
std::string auto_start_command(const std::string& exe_path) { return "\"" + exe_path + "\""; }

// What the registry holds now, asked without a message: after a change that
// failed the menu shows that, not what was meant.
bool stored_auto_start(app::RunContext& c) {
  const Key key(c, kAutoStartKey, platform::key_access::kRead);
  platform::RegistryValue value;
  return key.error() == 0 && c.platform.registry.query_value(key.get(), kAutoStartValue, &value) == 0;
}

bool stored_guest(app::RunContext& c) {
  const Key key(c, kServicesKey, platform::key_access::kRead);
  platform::RegistryValue value;
  return key.error() == 0 && c.platform.registry.query_value(key.get(), kGuestValue, &value) == 0 &&
         value.type == platform::value_type::kDword && value.number == 1;
}

}  // namespace

std::string get_own_exe_path(app::RunContext& c) {
  const std::string running = c.platform.files.executable_path();
  std::string registered;
  if (!settings::get_TransferExe(c, &registered, settings::kOptionBufferSize)) {
    app::warning_box(c, c.texts.load_message_text(50049, "get_TransferExe returned false"));
  } else if (!platform::equals_no_case(running, registered) &&
             !c.platform.files.same_file(running, registered)) {
    // The same file reached through a short name or a mapped drive is no warning.
    app::warning_box(c, c.texts.format_message_text(
                            50050, "exe filename comparison failed\n\n(%s)\n(%s)",
                            running.c_str(), registered.c_str()));
  }
  return running;
}

void read_auto_start_state(app::RunContext& c, ActiveSyncState* state) {
  state->exe_path = get_own_exe_path(c);
  state->auto_start = false;
  const Key key(c, kAutoStartKey, platform::key_access::kRead);
  if (key.error() != 0) {
    report(c, "5T34YHED", opening(c), kAutoStartKey, key.error());
    return;
  }
  platform::RegistryValue value;
  const long queried = c.platform.registry.query_value(key.get(), kAutoStartValue, &value);
  if (queried == 0) {
    state->auto_start = true;
  } else if (queried != 2) {
    report(c, "5TYHED", c.texts.load_message_text(50272, "Querying "),
           std::string(kAutoStartKey) + "\\" + kAutoStartValue, queried);
  }
}

void toggle_auto_start(app::RunContext& c, ActiveSyncState* state) {
  const Key key(c, kAutoStartKey, platform::key_access::kAllAccess);
  if (key.error() != 0) {
    report(c, "GH5T34YHED", opening(c), kAutoStartKey, key.error());
    state->auto_start = stored_auto_start(c);
    return;
  }
  const std::string value_path = std::string(kAutoStartKey) + "\\" + kAutoStartValue;
  if (!state->auto_start) {
    state->auto_start = true;
    const long set = c.platform.registry.set_string(key.get(), kAutoStartValue,
                                                    auto_start_command(state->exe_path));
    if (set != 0) {
      report(c, "LP5T34YHED", c.texts.load_message_text(50332, "Setting "), value_path, set);
      state->auto_start = stored_auto_start(c);
    }
    return;
  }
  state->auto_start = false;
  const long deleted = c.platform.registry.delete_value(key.get(), kAutoStartValue);
  if (deleted != 0) {
    report(c, "5332T34YHED", c.texts.load_message_text(50270, "Error deleting "), value_path,
           deleted);
    state->auto_start = stored_auto_start(c);
  }
}

void read_guest_state(app::RunContext& c, ActiveSyncState* state) {
  state->guest = false;
  state->guest_existed = false;
  const Key key(c, kServicesKey, platform::key_access::kRead);
  if (key.error() != 0) {
    report(c, "5T234YHED", opening(c), kServicesKey, key.error());
    return;
  }
  platform::RegistryValue value;
  const long queried = c.platform.registry.query_value(key.get(), kGuestValue, &value);
  if (queried == 2) return;
  if (queried != 0) {
    report(c, "52TYHED", c.texts.load_message_text(50272, "Querying "),
           std::string(kServicesKey) + "\\" + kGuestValue, queried);
    return;
  }
  state->guest_existed = true;
  if (value.type != platform::value_type::kDword || value.number > 1) VMT_LOG_POINT(c.log);
  state->guest = value.type == platform::value_type::kDword && value.number == 1;
}

void toggle_guest(app::RunContext& c, ActiveSyncState* state) {
  const std::string value_path = std::string(kServicesKey) + "\\" + kGuestValue;
  const char* open_code = !state->guest ? "3B34YHED"
                          : state->guest_existed ? "3TENDDHED"
                                                 : "3TEEDINQSSED";
  const bool turning_on = !state->guest;
  const Key key(c, kServicesKey, platform::key_access::kAllAccess);
  if (key.error() != 0) {
    report(c, open_code, opening(c), kServicesKey, key.error());
    state->guest = stored_guest(c);
    return;
  }
  platform::Registry& registry = c.platform.registry;
  long failed = 0;
  if (turning_on) {
    failed = registry.set_dword(key.get(), kGuestValue, 1);
    if (failed != 0) report(c, "3ES3FCVZJ", "Error setting ", value_path, failed);
  } else if (state->guest_existed) {
    failed = registry.set_dword(key.get(), kGuestValue, 0);
    if (failed != 0) report(c, "3ESWENWWVZJ", "Error setting ", value_path, failed);
  } else {
    failed = registry.delete_value(key.get(), kGuestValue);
    if (failed != 0) {
      report(c, "4DRHPPSED", c.texts.load_message_text(50270, "Error deleting "), value_path,
             failed);
    }
  }
  state->guest = failed == 0 ? turning_on : stored_guest(c);
}

}  // namespace vmt::device
