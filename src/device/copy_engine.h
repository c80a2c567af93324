// Copies one file between the desktop and the data collector in blocks, with
// the progress line, the copying dialog's cancel check between blocks and the
// source's three file times carried over. The copy is written under a
// temporary name beside the destination and put in place only when it holds
// exactly the bytes the source had when it was opened, so a failed, cut or
// cancelled copy never costs the file already there. On the device, which
// renames only onto a free name, the earlier file is first put aside under a
// backup name and removed only once the copy has its name; a copy interrupted
// between those steps is put right when the folder is next read. A transfer
// may also have the complete copy read back and compared before it replaces
// anything, and the file it replaces kept first.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/run_context.h"

namespace vmt::device {

namespace copy_result {
constexpr int kCopied = 1;
constexpr int kFailed = 413;
constexpr int kCancelled = 501;
}  // namespace copy_result

// Each block is one remote call: large blocks keep the link's round trips
// from eating its rate.
constexpr std::uint32_t kCopyBlockSize = 64 * 1024;

// The name a copy carries in its destination folder until it is complete. One
// left by an interrupted run is recognisable by it; the panes never list it.
constexpr char kPartialCopyName[] = "~vmtransfer.partial";
bool is_partial_copy_name(const std::string& name);
// The name a device file is put aside under while a copy takes its place.
std::string backup_copy_name(const std::string& name);
bool is_backup_copy_name(const std::string& name);

// Names Windows keeps for its devices (CON, PRN, AUX, NUL, COM0 to COM9,
// LPT0 to LPT9, with any extension): a file of that name cannot be made
// through the ordinary paths, and one made through the long-path form cannot
// be opened or deleted in Explorer.
bool is_reserved_device_name(const std::string& name);

// What a transfer asks of each copy besides the copy itself.
struct CopySafety {
  // The complete copy is read back whole before it replaces anything (over
  // the link for a copy on the data collector) and checked against a checksum
  // of every byte written, which any one wrong byte changes.
  bool verify = false;
  // Called with the destination's full path when the complete copy is about to
  // replace a file there: 1 once that file is kept, 413 after saying in the
  // status area why it could not be, 501 when cancelled. Anything but 1 stops
  // the copy and leaves the file as it is.
  std::function<int(const std::string& destination)> keep_replaced;
};

// Device file → desktop folder (ending with a separator); 1, 413 or 501.
int download_file(app::RunContext& context, const std::string& device_path,
                  const std::string& desktop_folder, double size,
                  const CopySafety& safety = {});
// Desktop file → device folder (ending with a backslash); 1, 413 or 501.
int upload_file(app::RunContext& context, const std::string& desktop_path,
                const std::string& device_folder, double size, const CopySafety& safety = {});

// A copy of an existing file, kept on this computer under `kept_path` (whose
// folder exists) before the file is replaced: checked against a checksum of
// what was written, with the three times, and its own progress line, which
// names it by `shown`. 1, 413 or 501; a failure is one status line, and
// last_copy_failure holds its cause.
int keep_device_file(app::RunContext& context, const std::string& device_path,
                     const std::string& kept_path, const std::string& shown);
int keep_desktop_file(app::RunContext& context, const std::string& desktop_path,
                      const std::string& kept_path, const std::string& shown);
// Says as those do that no copy of the file at `destination` could be made
// on this computer; 413.
int refuse_keep(app::RunContext& context, const std::string& shown,
                const std::string& destination);

// The block loops under the two operations; the destination is the final path.
int copy_block_loop_down(app::RunContext& context, const std::u16string& source,
                         const std::string& destination, double total, const std::string& name);
int copy_block_loop_up(app::RunContext& context, const std::string& source,
                       const std::u16string& destination, double total, const std::string& name);

// Puts right what interrupted copies left in a device folder (ending with a
// backslash), given the names of the folder's entries for which
// is_partial_copy_name or is_backup_copy_name holds: each earlier file put
// back where its name is free and removed where a complete copy has taken it,
// then a partial copy removed. Each step is a status line and a report line.
// Needs an open connection. True when the folder changed.
bool settle_interrupted_copies(app::RunContext& context, const std::string& device_folder,
                               const std::vector<std::string>& leftovers);

// Removes the partial copy that a program ended during a download left in a
// desktop folder (ending with a separator), with a status line and a report
// line; never while a copy runs, which may be writing it.
void remove_interrupted_desktop_copy(app::RunContext& context, const std::string& desktop_folder);

}  // namespace vmt::device
