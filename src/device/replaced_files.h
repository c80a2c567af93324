// The files a transfer replaces, kept on this computer before they are
// replaced: in a folder of the transfer under the report folder,
// "Replaced\<date time>\Desktop\..." for this computer's files and
// "...\Data collector\..." for the data collector's, each under its path from
// the transfer's folder and with its three times. Old transfer folders are
// removed at start once they are older than the days the options keep them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "app/run_context.h"
#include "device/copy_engine.h"

namespace vmt::device {

// "Replaced" in the report folder, without a trailing separator; empty when
// the report folder cannot be told.
std::string replaced_files_folder(app::RunContext& context);

// The name of a transfer's folder made at `time` ("2024-05-14 16.03.22"), and
// that time read back from a folder's name (a " (2)" after it allowed).
std::string transfer_folder_name(const platform::LocalTime& time);
bool parse_transfer_folder_name(const std::string& name, platform::LocalTime* time);

// The replaced files of one transfer.
class ReplacedFiles {
 public:
  explicit ReplacedFiles(app::RunContext& context) : c_(context) {}

  // Keeps the file at `destination` (on the data collector with `on_device`)
  // as the transfer folder's "Data collector\" or "Desktop\" and `relative`,
  // the path from the transfer's folder with backslashes. A copy result, as
  // CopySafety::keep_replaced gives it; the report names the kept copy.
  int keep(bool on_device, const std::string& destination, const std::string& relative);
  // The transfer's folder once a file is kept in it; empty before.
  const std::string& folder() const { return folder_; }

 private:
  // Makes the transfer's folder, named after the time of the first keep.
  bool make_folder();
  std::string free_name(const std::string& kept);

  app::RunContext& c_;
  std::string folder_;
};

// What the options ask of each copy of one transfer: read from them when the
// transfer starts, so that one transfer keeps its files in one folder.
class TransferSafety {
 public:
  explicit TransferSafety(app::RunContext& context);
  // The safety of one file copied into the destination; `relative` is its
  // path from the transfer's folder, with backslashes.
  CopySafety for_file(bool download, const std::string& relative);

 private:
  bool verify_ = true;
  std::optional<ReplacedFiles> kept_;
};

// Removes every transfer folder older than `days` days, each a report line and
// a log entry; folders of other names are left alone.
void remove_old_replaced_files(app::RunContext& context, int days);

}  // namespace vmt::device
