// The two file panes of the main window: the entries of one folder (desktop or
// device), the pane's folder or status text, its filter and sort mode, and the
// texts the list views show for them.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/run_context.h"
#include "platform/desktop_files.h"
#include "platform/device.h"

namespace vmt::ui {

constexpr char kNotSet[] = "NOT SET";
constexpr char kNoConnection[] = "NO CONNECTION FOUND";
constexpr char kAllFiles[] = "*.*";
constexpr char kFeatlinkFiles[] = "*.csv";

// One file or folder of a pane, copied whole.
class C_file_dir_info {
 public:
  static C_file_dir_info desktop(const platform::FindData& data, platform::Clock& clock);
  static C_file_dir_info device(const platform::CeFindData& data, platform::Clock& clock);

  int selected(app::DiagnosticLog& log) const;
  void set_selected(int selected, app::DiagnosticLog& log);
  int is_device() const { return is_device_; }

  const std::string& name() const { return name_; }
  bool is_folder() const { return (attributes() & platform::attr::kDirectory) != 0; }
  std::uint32_t attributes() const;
  double size() const;
  // The last-write time in local whole seconds; false when it cannot be converted.
  bool modification_time(std::int64_t* seconds) const;
  platform::FileTimeTicks last_write() const;

  const std::string& type_text(app::DiagnosticLog& log) const;
  void set_type_text(const std::string& text, app::DiagnosticLog& log);

  const platform::FindData& desktop_data() const { return desktop_; }
  const platform::CeFindData& device_data() const { return device_; }

 private:
  int selected_ = 1;
  platform::FindData desktop_;
  platform::CeFindData device_;
  int is_device_ = -1;
  std::string type_text_;
  std::string name_;  // the name in UTF-8, kept beside the record
  bool time_known_ = false;
  std::int64_t seconds_ = 0;
};

enum class PaneSide { kDesktop = 0, kDevice = 1 };

struct C_file_dir_pane {
  explicit C_file_dir_pane(PaneSide pane_side) : side(pane_side) {}
  PaneSide side;
  std::string folder = kNotSet;
  std::vector<C_file_dir_info> entries;
  std::string filter = kAllFiles;
  int sort_mode = 1;
};

// Stores a folder (one trailing backslash) or a status text.
bool set_pane_folder(app::RunContext& context, C_file_dir_pane& pane, const std::string& text);
bool is_pane_folder_usable(const C_file_dir_pane& pane);
// True when the pane shows this folder already (case ignored, trailing
// separators aside), so that choosing it again reads nothing.
bool shows_folder(const C_file_dir_pane& pane, const std::string& folder);
void mark_folder_not_found(app::RunContext& context, C_file_dir_pane& pane);

// Reads the pane's folder into its entries and sorts them by name; `pump`, when
// given, is called after each entry so that the window stays responsive.
bool read_pane_folder(app::RunContext& context, C_file_dir_pane& pane,
                      const std::function<void()>& pump);
// Sorts by the pane's mode (0 to 8).
bool sort_pane(app::RunContext& context, C_file_dir_pane& pane);
// The new mode after a click on column 0 (Name) to 3 (Type).
int sort_mode_after_column_click(app::RunContext& context, int current_mode, int column);
// The four column headings for a sort mode, the sorted one with its arrow.
std::vector<std::string> column_headings(app::RunContext& context, int sort_mode);

// "1,234,567 bytes" for a file, empty for a folder.
std::string size_text(app::RunContext& context, const C_file_dir_info& entry);
// The folder edit box: the folder, and the filter behind a usable one.
std::string pane_folder_text(const C_file_dir_pane& pane);

// Entry access: strict (a bad position is logged), clamped into the array,
// and by name (case ignored; several matches are logged).
bool get_entry(app::RunContext& context, const C_file_dir_pane& pane, int position,
               C_file_dir_info* entry);
bool get_entry_clamped(const C_file_dir_pane& pane, int position, C_file_dir_info* entry);
bool find_entry(app::RunContext& context, const C_file_dir_pane& pane, const std::string& name,
                C_file_dir_info* entry);
int count_selected(app::RunContext& context, const C_file_dir_pane& pane);
bool is_entry_selected(app::RunContext& context, const C_file_dir_pane& pane,
                       const std::string& name);
void set_all_selected(app::RunContext& context, C_file_dir_pane& pane, int selected);

}  // namespace vmt::ui
