// The transfer options: string values of one key of the local machine, one
// reader and one writer per value, two make-sure operations. Nothing else in
// the program touches the key, and nothing creates it: the installation does.
#pragma once

#include <cstddef>
#include <string>

#include "app/run_context.h"

namespace vmt::settings {

// "SOFTWARE\Veldmark\Transfer\TransferOptions", under HKEY_LOCAL_MACHINE.
std::string transfer_options_key();

// The longest text a writer stores; callers' buffers hold this and the zero.
constexpr std::size_t kMaxOptionText = 255;
constexpr std::size_t kOptionBufferSize = kMaxOptionText + 1;

// Readers. A value that does not fit the caller's buffer of `size` characters
// (the zero included) is refused with a message and leaves `out` empty, so a
// cut folder path is never used.
bool get_LaunchOnTransfer(app::RunContext& context);
// "Copy sub-folders": off when missing (as before the setting existed),
// without a message; a value other than "1" or "0" is shown and reads as off.
bool get_CopySubfolders(app::RunContext& context);
bool get_CreateReports(app::RunContext& context, bool* create_reports, bool report);
// The safety settings: on when missing or unreadable, without a message; a
// value other than "1" or "0" is shown and reads as on.
bool get_KeepReplaced(app::RunContext& context);
bool get_VerifyCopies(app::RunContext& context);
// How many days the replaced files of a transfer are kept: 30 when missing or
// unreadable; a value that is no whole number from 1 to 3650 is shown and reads as 30.
constexpr int kDefaultKeepReplacedDays = 30;
constexpr int kMaxKeepReplacedDays = 3650;
int get_KeepReplacedDays(app::RunContext& context);
bool get_DefSyncProgram(app::RunContext& context, std::string* out, std::size_t size,
                        bool report);
bool get_UserDownDir(app::RunContext& context, std::string* out, std::size_t size, bool report);
bool get_UserUpDir(app::RunContext& context, std::string* out, std::size_t size, bool report);
bool get_UserCsvDir(app::RunContext& context, std::string* out, std::size_t size, bool report);
bool get_TransferExe(app::RunContext& context, std::string* out, std::size_t size);

// The flag as stored, for a control that must show it after a failed write:
// no message; false when it cannot be read or is neither "1" nor "0".
bool stored_CreateReports(app::RunContext& context, bool* flag);
bool stored_LaunchOnTransfer(app::RunContext& context, bool* flag);

// Writers. A text longer than kMaxOptionText is refused with a message and
// nothing is written; any other failure is one notice that names the setting.
bool set_CreateReports(app::RunContext& context, int flag);
bool set_LaunchOnTransfer(app::RunContext& context, int flag);
bool set_CopySubfolders(app::RunContext& context, bool on);
bool set_KeepReplaced(app::RunContext& context, bool on);
bool set_VerifyCopies(app::RunContext& context, bool on);
bool set_KeepReplacedDays(app::RunContext& context, int days);
// A text of digits alone that is a number of days from 1 to 3650.
bool parse_keep_days(const std::string& text, int* days);
bool set_DefSyncProgram(app::RunContext& context, const std::string& text);
bool set_UserDownDir(app::RunContext& context, const std::string& text);
bool set_UserUpDir(app::RunContext& context, const std::string& text);
bool set_UserCsvDir(app::RunContext& context, const std::string& text);

// True when the value is stored, whatever it holds; asks without a message.
bool option_exists(app::RunContext& context, const char* value_name);

// `CreateReports`: the default written when the value is missing, unreadable
// or not a flag. `UserCsvDir`: the default written only when no value is
// stored, so that a folder the reader refuses is kept for the user to mend.
bool ensure_CreateReports(app::RunContext& context, bool default_value);
bool ensure_UserCsvDir(app::RunContext& context, const std::string& default_folder);

}  // namespace vmt::settings
