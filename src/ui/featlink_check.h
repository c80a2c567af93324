// The Featlink library check: the desktop's Featlink folder against the data
// collector's projects folder, by name and modification time, the report of
// what differs, and the guided copying of the files that need it.
#pragma once

#include <string>
#include <vector>

#include "app/run_context.h"
#include "ui/file_panes.h"

namespace vmt::ui {

// Times within this many seconds of each other count as the same file.
constexpr std::int64_t kFeatlinkTolerance = 5;

struct FeatlinkLists {
  std::vector<std::string> unique_on_desktop;
  std::vector<std::string> unique_on_collector;
  std::vector<std::string> same_date;
  std::vector<std::string> within_5_seconds;
  std::vector<std::string> newer_on_desktop;
  std::vector<std::string> newer_on_collector;

  // The names that may need the user's attention (marked "***").
  std::size_t situations() const {
    return unique_on_desktop.size() + unique_on_collector.size() + newer_on_desktop.size() +
           newer_on_collector.size();
  }
};

// Pairs every desktop entry with every device entry of the same name (case
// ignored) and sorts the names into the six lists, in pane order. A name that
// is a folder on either side takes no part. With `two_seconds` (either folder
// keeps times to two seconds) times that close count as the same date.
FeatlinkLists compare_featlink_files(app::RunContext& context, const C_file_dir_pane& desktop,
                                     const C_file_dir_pane& device, bool two_seconds = false);

// The report as the message box shows it, ending with the question when there
// is something to guide through.
std::string featlink_report_text(app::RunContext& context, const FeatlinkLists& lists,
                                 const std::string& desktop_folder,
                                 const std::string& device_folder);

// Asks file by file (Yes copies, No skips, Cancel ends the questions) and
// copies each file answered Yes under the copying dialog, as the options ask
// of a transfer (read back, the file it replaces kept). The device is
// connected by the caller.
void guide_featlink_resolution(app::RunContext& context, const FeatlinkLists& lists,
                               const C_file_dir_pane& desktop, const C_file_dir_pane& device,
                               app::WindowRef owner);

}  // namespace vmt::ui
