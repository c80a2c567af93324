// A registry held in memory, with the rules of the Windows registry: names
// matched without regard to case but kept as first written, sub-keys in the
// order Windows keeps them, access rights checked on every handle. The Linux
// build persists it in files; tests use it directly.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/common/reg_text.h"
#include "platform/registry.h"

namespace vmt::platform {

// Win32 codes that only the registry reports.
namespace registry_error {
constexpr long kBadDatabase = 1009;  // ERROR_BADDB
constexpr long kKeyDeleted = 1018;   // ERROR_KEY_DELETED
}  // namespace registry_error

// The store is the 32-bit view; a key opened in the 64-bit view of
// HKLM\SOFTWARE is the key of the same path below SOFTWARE\(64-bit view).
constexpr char kView64Node[] = "(64-bit view)";

// "HKEY_LOCAL_MACHINE" or "HKEY_CURRENT_USER".
const char* registry_root_name(RegistryRoot root);

class MemoryRegistry : public Registry {
 public:
  // Windows allows no deeper nesting of keys.
  static constexpr std::size_t kMaxDepth = 512;

  MemoryRegistry();
  ~MemoryRegistry() override;
  MemoryRegistry(const MemoryRegistry&) = delete;
  MemoryRegistry& operator=(const MemoryRegistry&) = delete;

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

  // Replaces every key of `root` with the keys of the document. Open handles
  // keep their paths and see the new keys. Keys of another root, and paths
  // that no registry could hold, are left out: the result is then false.
  bool load(RegistryRoot root, const RegTextDocument& document);
  // The keys of `root` in enumeration order, parents before children;
  // `without_path`, when not empty, names a key left out with all below it.
  RegTextDocument save(RegistryRoot root, const std::string& without_path = {}) const;

  // The root of an open key; false for a handle that is not open.
  bool root_of(RegistryKey key, RegistryRoot* root) const;
  // Grows with every change made through the interface (not through load).
  std::uint64_t change_count(RegistryRoot root) const;

 private:
  struct Node;
  struct OpenKey {
    RegistryRoot root;
    std::vector<std::string> path;
    std::uint32_t access;
    bool deleted;
  };

  Node* find_node(RegistryRoot root, const std::vector<std::string>& path) const;
  // The node of an open key that has `right`, or the error code for it.
  long node_of(RegistryKey key, std::uint32_t right, Node** node) const;
  long add_handle(RegistryRoot root, std::vector<std::string> path, std::uint32_t access,
                  RegistryKey* key);

  std::unique_ptr<Node> roots_[2];
  std::uint64_t changes_[2] = {0, 0};
  std::map<RegistryKey, OpenKey> open_;
  RegistryKey next_key_ = 0x100;
};

}  // namespace vmt::platform
