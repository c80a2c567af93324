#include "settings/installed_products.h"

#include "app/error_reports.h"
#include "platform/common/utf.h"

namespace vmt::settings {
namespace {

using platform::RegistryKey;
using platform::RegistryRoot;

// RegEnumKeyExA's name buffer.
constexpr std::size_t kMaxSubKeyName = 1024;

struct VendorClose {
  const char* vendor_key;
  const char* close_message;
};

const VendorClose kVendorCloses[] = {
    {"SOFTWARE\\Veldmark", "Error MSREG-R51ERY4, closing reg key"},
    {"SOFTWARE\\Navira", "Error MSREG-R514-ERY4, closing reg key"},
    {"SOFTWARE\\Telmar", "Error MSREG-R51E34ERY4, closing reg key"},
    {"SOFTWARE\\Sorvik", "Error MSREG-R513RY4, closing reg key"},
    {"SOFTWARE\\Harlen Geodetics", "Error MSREG-R72RY4, closing reg key"},
};

bool key_exists(app::RunContext& c, const ProductKey& product) {
  platform::Registry& registry = c.platform.registry;
  RegistryKey key = 0;
  const long code = registry.open_key(RegistryRoot::kLocalMachine, product.path,
                                      platform::key_access::kQueryValue, &key);
  if (code == 0) {
    const long closed = registry.close_key(key);
    if (closed != 0 && product.close_message) {
      app::registry_error_box(c, closed, product.close_message);
    }
    return true;
  }
  if (code != static_cast<long>(platform::error::kFileNotFound)) {
    app::registry_error_box(c, code,
                            std::string(product.open_code) +
                                "\nopening for setting\nHKEY_LOCAL_MACHINE\n" + product.path);
  }
  return false;
}

bool sub_key_listed(app::RunContext& c, const CatalogueRow& row) {
  std::vector<std::string> names;
  list_vendor_subkeys(c, row.vendor_key, &names);
  const std::string wanted = platform::to_lower_ascii(row.sub_key);
  for (const std::string& name : names) {
    if (platform::to_lower_ascii(name) == wanted) return true;
  }
  return false;
}

}  // namespace

bool is_installed(app::RunContext& context, const CatalogueRow& row) {
  switch (row.installed_test) {
    case InstalledTest::kNone:
      return true;
    case InstalledTest::kSubKey:
      return sub_key_listed(context, row);
    case InstalledTest::kKey:
      for (const ProductKey& product : row.keys) {
        if (product.path && key_exists(context, product)) return true;
      }
      return false;
  }
  return false;
}

void list_vendor_subkeys(app::RunContext& context, const std::string& vendor_key,
                         std::vector<std::string>* names) {
  platform::Registry& registry = context.platform.registry;
  RegistryKey key = 0;
  if (registry.open_key(RegistryRoot::kLocalMachine, vendor_key,
                        platform::key_access::kEnumerateSubKeys, &key) != 0) {
    return;
  }
  for (std::uint32_t index = 0;; ++index) {
    std::string name;
    const long code = registry.enum_subkey(key, index, &name);
    if (code == static_cast<long>(platform::error::kNoMoreItems)) break;
    if (code != 0 || name.size() >= kMaxSubKeyName) {
      VMT_LOG_POINT(context.log);
      break;
    }
    names->push_back(name);
  }
  const long closed = registry.close_key(key);
  if (closed == 0) return;
  for (const VendorClose& vendor : kVendorCloses) {
    if (vendor_key == vendor.vendor_key) {
      app::registry_error_box(context, closed, vendor.close_message);
      return;
    }
  }
  app::registry_error_box(context, closed, "Error closing reg key\n" + vendor_key);
}

}  // namespace vmt::settings
