// Whether a catalogue program is installed on this PC: a look at the local
// machine's registry, read again at every call.
#pragma once

#include <string>
#include <vector>

#include "app/run_context.h"
#include "settings/catalogue.h"

namespace vmt::settings {

// The row's installed test; "User defined" always passes. A missing key is
// the plain answer "not installed"; other failures are reported and count so.
bool is_installed(app::RunContext& context, const CatalogueRow& row);

// Appends the names of the sub-keys of `vendor_key` (under HKEY_LOCAL_MACHINE)
// in the registry's order; a key that cannot be opened leaves `names` as it was.
void list_vendor_subkeys(app::RunContext& context, const std::string& vendor_key,
                         std::vector<std::string>* names);

}  // namespace vmt::settings
