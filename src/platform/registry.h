// The desktop registry: the two roots the program uses, with the Win32 calling
// shape (open, query, set, delete value, enumerate sub-keys, close) and the Win32
// error codes as results, so that every failure point can be reported as such.
#pragma once

#include <cstdint>
#include <string>

namespace vmt::platform {

enum class RegistryRoot { kLocalMachine, kCurrentUser };

// Access rights (KEY_*).
namespace key_access {
constexpr std::uint32_t kQueryValue = 0x0001;
constexpr std::uint32_t kSetValue = 0x0002;
constexpr std::uint32_t kCreateSubKey = 0x0004;
constexpr std::uint32_t kEnumerateSubKeys = 0x0008;
constexpr std::uint32_t kRead = 0x20019;
constexpr std::uint32_t kWrite = 0x20006;
constexpr std::uint32_t kAllAccess = 0xF003F;
// The view of HKLM\SOFTWARE (KEY_WOW64_*). Without either, both builds use the
// 32-bit view, where the options, ActiveSync and the desktop programs' keys
// are; the 64-bit view is asked for only where a 64-bit program writes.
constexpr std::uint32_t kView64 = 0x0100;
constexpr std::uint32_t kView32 = 0x0200;
}  // namespace key_access

// Value types (REG_*).
namespace value_type {
constexpr std::uint32_t kNone = 0;
constexpr std::uint32_t kString = 1;        // REG_SZ
constexpr std::uint32_t kExpandString = 2;  // REG_EXPAND_SZ
constexpr std::uint32_t kBinary = 3;        // REG_BINARY
constexpr std::uint32_t kDword = 4;         // REG_DWORD
}  // namespace value_type

// One value as read. `text` holds REG_SZ and REG_EXPAND_SZ contents (UTF-8,
// without the terminating zero); `number` holds REG_DWORD contents.
struct RegistryValue {
  std::uint32_t type = value_type::kNone;
  std::string text;
  std::uint32_t number = 0;
};

// An open key; 0 is never a valid key.
using RegistryKey = std::uintptr_t;

// Key and value names are matched without regard to case. Every operation
// returns a Win32 error code: 0 success, 2 missing key or value, 5 access
// denied (also: setting through a key opened without the set right),
// 259 no more sub-keys.
class Registry {
 public:
  virtual ~Registry() = default;

  virtual long open_key(RegistryRoot root, const std::string& path, std::uint32_t access,
                        RegistryKey* key) = 0;
  // Creates the key and its missing parents and opens it with all access.
  // The program itself never creates its options key; tests and set-up do.
  virtual long create_key(RegistryRoot root, const std::string& path, RegistryKey* key) = 0;
  virtual long query_value(RegistryKey key, const std::string& name, RegistryValue* value) = 0;
  virtual long set_string(RegistryKey key, const std::string& name, const std::string& text) = 0;
  virtual long set_dword(RegistryKey key, const std::string& name, std::uint32_t number) = 0;
  virtual long delete_value(RegistryKey key, const std::string& name) = 0;
  // The name of the sub-key at `index`, in the order the registry keeps them
  // (259 past the last one). Needs the enumerate right.
  virtual long enum_subkey(RegistryKey key, std::uint32_t index, std::string* name) = 0;
  virtual long close_key(RegistryKey key) = 0;
  // Removes a key with everything below it (tests and set-up only).
  virtual long delete_key_tree(RegistryRoot root, const std::string& path) = 0;
};

}  // namespace vmt::platform
