// The Windows registry through the Reg*W calls, in the 32-bit view of
// HKLM\SOFTWARE (where ActiveSync, the desktop programs and the options keep
// their keys) on both builds, unless a caller opens a key in the 64-bit view.
#pragma once

#include "platform/registry.h"

namespace vmt::platform {

class Win32Registry : public Registry {
 public:
  long open_key(RegistryRoot root, const std::string& path, std::uint32_t access,
                RegistryKey* key) override;
  long create_key(RegistryRoot root, const std::string& path, RegistryKey* key) override;
  long query_value(RegistryKey key, const std::string& name, RegistryValue* value) override;
  long set_string(RegistryKey key, const std::string& name, const std::string& text) override;
  long set_dword(RegistryKey key, const std::string& name, std::uint32_t number) override;
  long delete_value(RegistryKey key, const std::string& name) override;
  long enum_subkey(RegistryKey key, std::uint32_t index, std::string* name) override;
  long close_key(RegistryKey key) override;
  long delete_key_tree(RegistryRoot root, const std::string& path) override;
};

}  // namespace vmt::platform
