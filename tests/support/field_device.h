// An emulated data collector with the field program registered, its settings
// file and a projects folder "\Projects", in the test folder's "device".
#pragma once

#include <string>

#include "support/temp_folder.h"

namespace vmt::test {

void arrange_field_device(const TempFolder& folder);
// Writes device.ini's [Device] section with the given lines.
void set_device_faults(const TempFolder& folder, const std::string& lines);

}  // namespace vmt::test
