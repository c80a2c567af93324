// The transfer of the selected entries of one pane into the other pane's
// folder. Before anything is copied the planner lists what the selection holds
// and what the destination holds under the same names, at every level that
// will be copied, and keeps it as a plan: every file with where it goes and
// whether it replaces one, the folders to make, the clashes to confirm and the
// sub-folders left out. The copy then follows the plan file by file.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "app/run_context.h"
#include "ui/file_panes.h"

namespace vmt::device {
class TransferSafety;
}

namespace vmt::ui {

struct Conflict {
  std::string line;
  bool blocks = false;  // a NOT ALLOWED clash
};

// One file the transfer copies.
struct PlannedFile {
  std::string name;
  double size = 0;
  bool replaces = false;  // overwrites the destination's file of that name
};

// One folder the transfer copies files into: a selected folder, or one below
// it when sub-folders are copied.
struct PlannedFolder {
  std::string source;       // ends with the source side's separator
  std::string parent;       // the destination folder it lies in
  std::string name;         // its name there (the destination's spelling when it exists)
  std::string destination;  // parent + name + the destination side's separator
  std::string path;         // from the pane's folder, with backslashes: "Job 9\Day 2"
  bool create = false;      // missing at the destination: made before its files
  std::vector<PlannedFile> files;
};

// One selected entry of the source pane.
struct PlannedEntry {
  std::string name;
  bool is_folder = false;
  std::string match;  // the destination's entry of that name, or empty
  PlannedFile file;   // a file
  // A folder: itself first, then each folder below it before its own sub-folders.
  std::vector<PlannedFolder> folders;
  std::size_t file_count() const;
};

struct TransferPlan {
  bool download = false;
  std::string source_folder;
  std::string destination_folder;
  // The selected entries in source order, as names and kinds.
  std::vector<std::pair<std::string, bool>> selection;
  // What will be transferred (the NOT ALLOWED entries are not in it).
  std::vector<PlannedEntry> entries;
  std::vector<Conflict> conflicts;
  // Sub-folders that are not copied because sub-folders are off.
  std::vector<std::string> skipped_folders;
  std::size_t file_count = 0;
  // Not 1 when the data collector could not be reached while planning.
  int connection = 1;
  // A folder that could not be listed, and why: the plan is not complete.
  std::string unlisted_folder;
  std::string unlisted_cause;
};

// Lists the selected source entries and their destination counterparts
// (copying every level below a selected folder with `copy_subfolders`). The
// destination's top level is its last read, and what it holds under a
// selected name that read did not list. `pump` runs after each entry listed.
TransferPlan plan_transfer(app::RunContext& context, const C_file_dir_pane& source,
                           const C_file_dir_pane& destination, bool copy_subfolders,
                           const std::function<void()>& pump);

// The clashes of the selected entries themselves, in source order.
std::vector<Conflict> find_conflicts(app::RunContext& context, const C_file_dir_pane& source,
                                     const C_file_dir_pane& destination);
// Shows the sub-folders left out and the clashes and asks; true to go on.
bool check_conflicts(app::RunContext& context, const TransferPlan& plan);

// How far a transfer came.
struct TransferOutcome {
  int code = 1;
  std::size_t total = 0;   // files in the plan
  std::size_t copied = 0;  // files copied
  std::size_t entry = 0;   // the entry it stopped in
  std::size_t copied_in_entry = 0;
  std::string stopped_at;  // from the pane's folder
  std::string cause;
  // While the files are copied: what the options ask of each copy.
  device::TransferSafety* safety = nullptr;
};

// Copies the files of one planned folder.
int download_folder_files(app::RunContext& context, const PlannedFolder& folder,
                          TransferOutcome& outcome);
int upload_folder_files(app::RunContext& context, const PlannedFolder& folder,
                        TransferOutcome& outcome);

// Copies by the plan; a device status code, 413, 500 or 501. `no_connection`
// runs when the device cannot be reached at the start. An incomplete plan
// copies nothing.
int transfer_entries(app::RunContext& context, const TransferPlan& plan,
                     const std::function<void()>& no_connection, TransferOutcome* outcome);

// After a failed transfer: what failed and why, how many files were copied,
// and each selected entry not transferred.
std::vector<std::string> failure_summary(app::RunContext& context, const TransferPlan& plan,
                                         const TransferOutcome& outcome);
// Adds the summary to the status area's record and to the report.
void record_failure(app::RunContext& context, const std::vector<std::string>& summary);

}  // namespace vmt::ui
