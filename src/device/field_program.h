// The field programs on the data collector: which is installed, which one the
// run works with (asked once when both are there), and whether it is running.
#pragma once

#include <string>

#include "app/run_context.h"

namespace vmt::device {

enum class FieldProgram { kPlotwise = 1, kSceneledger = 2 };

// 1 with the install location; -1 key not opened, -2 `InstallLoc` missing,
// -3 not installed, -4 value not read, -5 invalid parameter.
int get_install_location(app::RunContext& context, FieldProgram program, std::string* location);

// 1 with the chosen program's install location (at most `size` - 1 characters,
// or empty when it is longer), or 401 when neither program is installed.
int choose_field_program(app::RunContext& context, std::string* location, std::size_t size);

// 1 when the chosen program runs on the device, else 0; `program` is the choice.
int is_field_program_running(app::RunContext& context, int* program);

}  // namespace vmt::device
