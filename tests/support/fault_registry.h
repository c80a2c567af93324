// A registry that passes every call to another one, except the calls a test
// arranges to fail; it also records the calls so tests can check what was done.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/registry.h"

namespace vmt::test {

class FaultRegistry : public platform::Registry {
 public:
  enum class Call { kOpen, kCreate, kQuery, kSetString, kSetDword, kDelete, kEnum, kClose };

  explicit FaultRegistry(platform::Registry& inner) : inner_(inner) {}

  // The next `times` calls of that kind on the key (path without its root, any case) and,
  // for value calls, that value name (empty: any value) fail with `code`.
  void fail(Call call, const std::string& key_path, long code, const std::string& value = {},
            int times = 1);
  // The calls made, one line each: "open SOFTWARE\X", "set_string SOFTWARE\X Name", ...
  const std::vector<std::string>& calls() const { return calls_; }
  // Keys opened and not closed yet.
  std::size_t open_count() const { return paths_.size(); }

  long open_key(platform::RegistryRoot root, const std::string& path, std::uint32_t access,
                platform::RegistryKey* key) override;
  long create_key(platform::RegistryRoot root, const std::string& path,
                  platform::RegistryKey* key) override;
  long query_value(platform::RegistryKey key, const std::string& name,
                   platform::RegistryValue* value) override;
  long set_string(platform::RegistryKey key, const std::string& name,
                  const std::string& text) override;
  long set_dword(platform::RegistryKey key, const std::string& name,
                 std::uint32_t number) override;
  long delete_value(platform::RegistryKey key, const std::string& name) override;
  long enum_subkey(platform::RegistryKey key, std::uint32_t index, std::string* name) override;
  long close_key(platform::RegistryKey key) override;
  long delete_key_tree(platform::RegistryRoot root, const std::string& path) override;

 private:
  struct Fault {
    Call call;
    std::string key_path;
    std::string value;
    long code;
    int times;
  };
  // The arranged code for this call, or 0; records the call.
  long take(Call call, const std::string& key_path, const std::string& value);
  std::string path_of(platform::RegistryKey key) const;

  platform::Registry& inner_;
  std::vector<Fault> faults_;
  std::vector<std::string> calls_;
  std::map<platform::RegistryKey, std::string> paths_;
};

}  // namespace vmt::test
