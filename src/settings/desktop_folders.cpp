#include "settings/desktop_folders.h"

#include <functional>

#include "app/error_reports.h"
#include "platform/common/ini_file.h"
#include "platform/common/memory_registry.h"
#include "platform/common/path.h"
#include "settings/installed_products.h"
#include "settings/options_store.h"

namespace vmt::settings {
namespace {

namespace path = platform::path;
using platform::RegistryKey;
using platform::RegistryRoot;

// A settings file's install value names the program's "Programs" folder.
constexpr std::size_t kProgramsFolderLength = 9;  // "\Programs"
// `set_options_from_registry` reads the stored choice into a buffer this large.
constexpr std::size_t kChoiceBufferSize = 2048;

bool is_any_separator(char c) { return c == '\\' || c == '/'; }

// Values written by the desktop programs end in a backslash on every build.
std::string finish_folder(std::string folder, bool backslash) {
  if (folder.empty()) return folder;
  if (is_any_separator(folder.back())) {
    if (!backslash) {
      while (!folder.empty() && is_any_separator(folder.back())) folder.pop_back();
    }
  } else if (backslash) {
    folder += path::kSeparator;
  }
  return folder;
}

// Opens a key for reading one value; 0 on success, else the Win32 code.
long read_registry_text(platform::Registry& registry, RegistryRoot root, const std::string& key_path,
                        const std::string& value_name, std::string* text, bool* opened,
                        std::uint32_t view = 0) {
  RegistryKey key = 0;
  *opened = false;
  long code = registry.open_key(root, key_path, platform::key_access::kQueryValue | view, &key);
  if (code != 0) return code;
  *opened = true;
  platform::RegistryValue value;
  code = registry.query_value(key, value_name, &value);
  if (code == 0 && value.type != platform::value_type::kString &&
      value.type != platform::value_type::kExpandString) {
    code = platform::error::kInvalidData;
  }
  if (code == 0) *text = value.text;
  registry.close_key(key);
  return code;
}

std::string install_from_settings_file(app::RunContext& c, const CatalogueRow& row) {
  std::string windows;
  c.platform.shell.get_folder(platform::ShellFolder::kWindows, false, &windows);
  const std::string file =
      path::without_trailing_separators(windows) + desktop_relative_path(row.install_location);
  const platform::IniFile ini = platform::IniFile::load(c.platform.files, file);
  // A missing file or key means the program is not there: no folder, where
  // the profile reader's default would give the folder "Empty".
  if (!ini.has_key("Path", row.install_value)) {
    VMT_LOG_POINT(c.log);
    return {};
  }
  // The whole value is taken: a cut folder would name another folder.
  std::string value;
  ini.get_string("Path", row.install_value, "", &value, std::string::npos);
  if (std::string(row.install_value) != "CADDLL") return value;
  if (value.size() < kProgramsFolderLength) return value;
  return value.substr(0, value.size() - kProgramsFolderLength);
}

std::string install_from_registry(app::RunContext& c, const CatalogueRow& row) {
  std::string folder;
  bool opened = false;
  const long code = read_registry_text(c.platform.registry, RegistryRoot::kLocalMachine,
                                       row.install_location, row.install_value, &folder, &opened);
  if (code == 0) return folder;
  app::warning_box(c, opened ? row.value_message : row.open_message);
  return {};
}

// A release key in the 32-bit view, else in the 64-bit view, where a 64-bit
// AutoCAD keeps it.
long read_release_text(platform::Registry& registry, RegistryRoot root, const std::string& key_path,
                       const std::string& value_name, std::string* text, bool* opened) {
  const long code = read_registry_text(registry, root, key_path, value_name, text, opened);
  if (*opened) return code;
  bool opened_64 = false;
  const long code_64 = read_registry_text(registry, root, key_path, value_name, text, &opened_64,
                                          platform::key_access::kView64);
  if (!opened_64) return code;
  *opened = true;
  return code_64;
}

std::string install_from_release(app::RunContext& c, const CatalogueRow& row) {
  platform::Registry& registry = c.platform.registry;
  std::string current;
  bool opened = false;
  long code = read_release_text(registry, row.release_root, row.install_location, "CurVer",
                                &current, &opened);
  if (code != 0) {
    if (!opened) {
      app::warning_box(c, c.texts.load_message_text(50077, "Error opening registry key ") +
                              platform::registry_root_name(row.release_root) + "\\" +
                              row.install_location);
    } else {
      app::warning_box(c, c.texts.load_message_text(50078, "Error getting key value"));
    }
    return {};
  }
  const std::string version_key = std::string(row.install_location) + "\\" + current;
  std::string folder;
  code = read_release_text(registry, RegistryRoot::kLocalMachine, version_key, row.install_value,
                           &folder, &opened);
  if (code == 0) return folder;
  if (!opened) {
    app::warning_box(c,
                     c.texts.load_message_text(50079, "Error opening main AutoCAD registry key ") +
                         "HKEY_LOCAL_MACHINE\\" + version_key);
  } else if (row.report_missing_location) {
    app::warning_box(c, c.texts.load_message_text(50080, "Error getting AcadLocation key value"));
  }
  return {};
}

// The data folder, else the install folder, for the program rows.
std::string base_folder(app::RunContext& c, const CatalogueRow& row,
                        const C_directory_options& record) {
  const std::string base = row.has_data_folder() ? record.data_dir() : record.install_dir();
  if (base.empty() || !path::ends_with_separator(base)) VMT_LOG_POINT(c.log);
  return base;
}

std::string program_folder(app::RunContext& c, const CatalogueRow& row,
                           const C_directory_options& record, const std::string& relative) {
  const std::string base = base_folder(c, row, record);
  // Without a base the relative path would name a folder of the current one.
  if (base.empty()) return {};
  return base + desktop_relative_path(relative) + path::kSeparator;
}

using FolderReader = bool (*)(app::RunContext&, std::string*, std::size_t, bool);

std::string user_folder(app::RunContext& c, FolderReader reader) {
  std::string folder;
  if (!reader(c, &folder, kOptionBufferSize, true)) folder.clear();
  return folder;
}

// The download or the upload folder: the user's own, or one below the base.
std::string transfer_folder(app::RunContext& c, const C_directory_options& record,
                            FolderReader user_reader, const char* relative,
                            const std::function<std::string()>& outside_message) {
  const CatalogueRow* row = find_program(record.name());
  if (row == nullptr) {
    app::warning_box(c, outside_message());
    return {};
  }
  if (row->is_user_defined()) return user_folder(c, user_reader);
  return program_folder(c, *row, record, relative);
}

void log_when_owner_gone(app::RunContext& c, const C_directory_options& record) {
  if (record.owner() != 0 && !c.platform.windows.window_exists(record.owner())) {
    VMT_LOG_POINT(c.log);
  }
}

}  // namespace

std::string desktop_relative_path(const std::string& catalogue_path) {
  std::string result = catalogue_path;
  for (char& ch : result) {
    if (ch == '\\') ch = path::kSeparator;
  }
  return result;
}

std::string get_install_dir(app::RunContext& context, const std::string& name, bool backslash) {
  std::string program = name;
  const CatalogueRow* row = nullptr;
  if (program.empty()) {
    get_DefSyncProgram(context, &program, kOptionBufferSize, true);
    row = find_stored_program(program);
  } else {
    row = find_program(program);
  }
  std::string folder;
  if (row == nullptr) {
    const std::string format = context.texts.load_message_format(
        50085, "Error ASCY-4567\nUnable to get exe dir for '%s'");
    app::warning_box(context, app::format_message(format.c_str(), program.c_str()));
    return {};
  }
  switch (row->install_source) {
    case InstallSource::kNone:
      app::warning_box(context, context.texts.load_message_text(50066, "Error AS38CY-4567"));
      return {};
    case InstallSource::kSettingsFile:
      folder = install_from_settings_file(context, *row);
      break;
    case InstallSource::kRegistry:
      folder = install_from_registry(context, *row);
      break;
    case InstallSource::kRelease:
      folder = install_from_release(context, *row);
      break;
  }
  return finish_folder(folder, backslash);
}

std::string get_data_dir(app::RunContext& context, const std::string& name, bool backslash) {
  const CatalogueRow* row = find_program(name);
  if (row == nullptr) {
    app::warning_box(context, context.texts.load_message_text(50065, "Error AS9AVXKCY-4567"));
    return {};
  }
  if (row->is_user_defined()) {
    app::warning_box(context, context.texts.load_message_text(50058, "Error AS3JKCY-4567"));
    return {};
  }
  if (!row->has_data_folder()) return {};
  std::string common;
  if (!context.platform.shell.get_folder(platform::ShellFolder::kCommonAppData, true, &common) ||
      common.empty()) {
    if (row->folder_message) {
      app::warning_box(context, app::format_message(row->folder_message, row->name));
    }
    return {};
  }
  const std::string folder =
      path::without_trailing_separators(common) + desktop_relative_path(row->data_folder);
  const int result = context.platform.shell.create_folder_tree(folder);
  if (result != 0 && result != static_cast<int>(platform::error::kAlreadyExists)) {
    app::warning_box(context, app::format_message(row->create_message, result, row->name));
    return {};
  }
  return backslash ? path::with_trailing_separator(folder) : folder;
}

bool fill_directory_options(app::RunContext& context, C_directory_options& record) {
  record.set_filled(true);
  log_when_owner_gone(context, record);
  const std::string name = record.name();
  if (name == program::kUserDefined) {
    record.set_install_dir({});
    record.set_data_dir({});
    return true;
  }
  record.set_install_dir(get_install_dir(context, name, true));
  if (record.install_dir().empty()) VMT_LOG_POINT(context.log);
  record.set_data_dir(get_data_dir(context, name, true));
  if (record.data_dir().empty()) return false;
  for (const std::string& folder :
       {get_download_dir(context, record), get_upload_dir(context, record)}) {
    if (!context.platform.files.exists(folder)) make_desktop_dir(context, folder);
  }
  return true;
}

std::string get_download_dir(app::RunContext& context, const C_directory_options& record) {
  return transfer_folder(context, record, get_UserDownDir, "Ferrybox\\Downloads", [&] {
    return context.texts.load_message_text(50104, "Error getting downloads dir (error RETDHEW)");
  });
}

std::string get_upload_dir(app::RunContext& context, const C_directory_options& record) {
  return transfer_folder(context, record, get_UserUpDir, "Ferrybox\\Uploads", [&] {
    return context.texts.load_message_text(50105, "Error getting uploads dir (error RETDHEWU)");
  });
}

std::string get_csv_dir(app::RunContext& context, const C_directory_options& record) {
  const std::string name = record.name();
  const CatalogueRow* row = find_program(name);
  if (row == nullptr) {
    const std::string format =
        context.texts.load_message_format(50103, "Error ER5DYRE, getting csv dir\n%s");
    app::warning_box(context, app::format_message(format.c_str(), name.c_str()));
    return {};
  }
  if (row->is_user_defined()) {
    ensure_UserCsvDir(context, "");
    return user_folder(context, get_UserCsvDir);
  }
  return program_folder(context, *row, record, row->featlink);
}

bool set_options_from_registry(app::RunContext& context, C_directory_options& record) {
  log_when_owner_gone(context, record);
  // The owner stays: it is the window the record's messages belong to.
  const app::WindowRef owner = record.owner();
  record.clear();
  record.set_owner(owner);
  std::string name;
  get_DefSyncProgram(context, &name, kChoiceBufferSize, true);
  // The stored choice is matched without regard to case, and the record
  // takes the row's own name, which every per-program operation compares.
  const CatalogueRow* row = find_stored_program(name);
  if (row == nullptr) {
    const std::string format = context.texts.load_message_format(
        50107, "Error (A) setting options from registry\nDefSyncProgram = (%s)");
    app::warning_box(context, app::format_message(format.c_str(), name.c_str()));
    return false;
  }
  if (!is_installed(context, *row)) {
    const std::string format =
        context.texts.load_message_format(50106, "Error setting options from registry, %s (%d)");
    app::warning_box(context, app::format_message(format.c_str(), name.c_str(), row->options_code));
    return false;
  }
  record.set_name(row->name, context.log);
  fill_directory_options(context, record);
  return true;
}

bool make_desktop_dir(app::RunContext& context, const std::string& path_text) {
  std::string full = path_text;
  if (full.empty() || !is_any_separator(full.back())) full += '\\';
  std::vector<std::string> components;
  std::string component;
  for (char ch : full) {
    if (is_any_separator(ch)) {
      if (!component.empty()) components.push_back(component);
      component.clear();
    } else {
      component += ch;
    }
  }
  if (components.empty()) {
    const std::string format =
        context.texts.load_message_format(50051, "Error (AS-ZERO436) making directory\n%s");
    app::warning_box(context, app::format_message(format.c_str(), path_text.c_str()));
    return false;
  }
  const bool network = full.size() >= 2 && is_any_separator(full[0]) && is_any_separator(full[1]);
  std::string prefix;
  if (network) {
    prefix = full.substr(0, 2);
  } else if (path::kSeparator == '/' && full[0] == '/') {
    prefix = "/";  // an absolute Linux path starts at the root
  }
  platform::DesktopFiles& files = context.platform.files;
  for (std::size_t i = 0; i < components.size(); ++i) {
    prefix += components[i];
    prefix += path::kSeparator;
    if (files.exists(prefix)) continue;
    if (network && i == 0) continue;  // the server cannot be made
    if (!files.make_folder(prefix)) {
      const std::string format =
          context.texts.load_message_format(50052, "Error (AS-456) making directory\n%s");
      app::warning_box(context, app::format_message(format.c_str(), prefix.c_str()));
      return false;
    }
    const std::string made =
        context.texts.load_message_format(50053, "Successfully made directory: %s");
    VMT_LOG_TEXT(context.log, app::format_message(made.c_str(), prefix.c_str()));
  }
  if (!files.exists(prefix)) {
    const std::string format =
        context.texts.load_message_format(50054, "Error (AS-436) making directory\n%s");
    app::warning_box(context, app::format_message(format.c_str(), path_text.c_str()));
    return false;
  }
  return true;
}

bool make_desktop_dir_for_copy(app::RunContext& context, const std::string& base,
                               const std::string& relative) {
  platform::DesktopFiles& files = context.platform.files;
  const std::string folder = path::with_trailing_separator(path::join(base, relative));
  if (!files.exists(base)) VMT_LOG_POINT(context.log);
  if (!files.exists(folder)) VMT_LOG_POINT(context.log);
  make_desktop_dir(context, folder);
  if (!files.exists(folder)) VMT_LOG_POINT(context.log);
  return true;
}

std::string find_help_file(app::RunContext& context, app::WindowRef owner) {
  const std::string file = get_exe_dir(context.platform.files, true) + "transfer.chm";
  if (context.platform.files.exists(file)) return file;
  context.boxes.show(owner,
                     context.texts.format_message_text(50101, "Help file:\n%s\nnot found.",
                                                       file.c_str()),
                     context.texts.load_message_text(50000, "Veldmark"),
                     app::mb::kOk | app::mb::kIconInformation);
  return {};
}

std::string get_exe_dir(platform::DesktopFiles& files, bool backslash) {
  const std::string folder = path::folder_of(files.executable_path());
  return backslash ? folder : path::without_trailing_separators(folder);
}

std::string get_report_dir(platform::Shell& shell, bool backslash) {
  std::string app_data;
  if (!shell.get_folder(platform::ShellFolder::kUserAppData, true, &app_data) ||
      app_data.empty()) {
    return {};
  }
  const std::string folder = path::join(app_data, "Stakeline Exchange");
  shell.create_folder_tree(folder);
  return backslash ? path::with_trailing_separator(folder) : folder;
}

}  // namespace vmt::settings
