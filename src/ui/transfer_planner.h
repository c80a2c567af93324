// The transfer of the selected entries of one pane into the other pane's
// folder: the conflict check before it, the planner that copies entry by
// entry, and the copy of the files directly inside one folder.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "app/run_context.h"
#include "ui/file_panes.h"

namespace vmt::ui {

struct Conflict {
  std::string line;
  bool blocks = false;  // a NOT ALLOWED clash
};

// The clashes of the selected source entries with the destination, in source
// order: with its entries of the last read, and with what the destination
// holds under a selected name that read did not list (a filter hid it, or it
// appeared since).
std::vector<Conflict> find_conflicts(app::RunContext& context, const C_file_dir_pane& source,
                                     const C_file_dir_pane& destination);
// Lists the clashes and asks; true to go on.
bool check_conflicts(app::RunContext& context, const C_file_dir_pane& source,
                     const C_file_dir_pane& destination);

// Copies every file directly inside one folder (sub-folders are not followed).
int download_folder_files(app::RunContext& context, const std::string& device_folder,
                          const std::string& desktop_folder);
int upload_folder_files(app::RunContext& context, const std::string& desktop_folder,
                        const std::string& device_folder);

// Copies the selected source entries into the destination's folder; a device
// status code, 413, 500 or 501. `no_connection` runs when the device cannot
// be reached at the start.
int transfer_entries(app::RunContext& context, const C_file_dir_pane& source,
                     const C_file_dir_pane& destination,
                     const std::function<void()>& no_connection);

}  // namespace vmt::ui
