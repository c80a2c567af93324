// Copies one file between the desktop and the data collector in 4096-byte
// blocks, with the progress line, the copying dialog's cancel check between
// blocks and the source's three file times carried over. The copy is written
// under a temporary name beside the destination and put in place only when it
// is complete, so a failed or cancelled copy never costs the file already there.
#pragma once

#include <cstdint>
#include <string>

#include "app/run_context.h"

namespace vmt::device {

namespace copy_result {
constexpr int kCopied = 1;
constexpr int kFailed = 413;
constexpr int kCancelled = 501;
}  // namespace copy_result

constexpr std::uint32_t kCopyBlockSize = 4096;

// The name a copy carries in its destination folder until it is complete. One
// left by an interrupted run is recognisable by it; the panes never list it.
constexpr char kPartialCopyName[] = "~vmtransfer.partial";
bool is_partial_copy_name(const std::string& name);

// Device file → desktop folder (ending with a separator); 1, 413 or 501.
int download_file(app::RunContext& context, const std::string& device_path,
                  const std::string& desktop_folder, double size);
// Desktop file → device folder (ending with a backslash); 1, 413 or 501.
int upload_file(app::RunContext& context, const std::string& desktop_path,
                const std::string& device_folder, double size);

// The block loops under the two operations; the destination is the final path.
int copy_block_loop_down(app::RunContext& context, const std::u16string& source,
                         const std::string& destination, double total, const std::string& name);
int copy_block_loop_up(app::RunContext& context, const std::string& source,
                       const std::u16string& destination, double total, const std::string& name);

}  // namespace vmt::device
