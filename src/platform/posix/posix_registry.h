// The desktop registry of the Linux build: the Windows registry's rules held in
// memory, persisted as one registry editor text file per root in a store folder.
#pragma once

#include <cstdint>
#include <string>

#include "platform/common/memory_registry.h"
#include "platform/registry.h"

namespace vmt::platform {

class PosixRegistry : public Registry {
 public:
  // $XDG_CONFIG_HOME/vmtransfer, or ~/.config/vmtransfer.
  static std::string default_store_folder();

  explicit PosixRegistry(std::string store_folder);

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

  // The file that holds `root`.
  std::string store_file(RegistryRoot root) const;

 private:
  // What identifies the file as last read or written; another program's write changes it.
  struct FileStamp {
    bool exists = false;
    std::uint64_t device = 0, inode = 0, size = 0;
    std::int64_t modified_ns = 0;
    bool operator==(const FileStamp& o) const {
      return exists == o.exists && device == o.device && inode == o.inode && size == o.size &&
             modified_ns == o.modified_ns;
    }
  };
  struct RootState {
    bool read = false;
    FileStamp stamp;
    bool damaged = false;  // read with problems: never overwritten with less than it holds
  };

  FileStamp stamp_of(const std::string& file) const;
  // Reads the root's file again when it changed since it was last seen.
  void refresh(RegistryRoot root);
  void refresh_key(RegistryKey key);
  // Runs a change; when it changed the registry, writes the root's file and undoes
  // the change in memory if the file cannot be written.
  template <typename Change>
  long change(RegistryRoot root, Change&& apply);
  bool write_store(RegistryRoot root);

  std::string folder_;
  MemoryRegistry memory_;
  RootState state_[2];
};

}  // namespace vmt::platform
