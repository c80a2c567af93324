#include "support/fault_registry.h"

#include "platform/common/utf.h"

namespace vmt::test {

namespace {

const char* call_name(FaultRegistry::Call call) {
  switch (call) {
    case FaultRegistry::Call::kOpen: return "open";
    case FaultRegistry::Call::kCreate: return "create";
    case FaultRegistry::Call::kQuery: return "query";
    case FaultRegistry::Call::kSetString: return "set_string";
    case FaultRegistry::Call::kSetDword: return "set_dword";
    case FaultRegistry::Call::kDelete: return "delete_value";
    case FaultRegistry::Call::kEnum: return "enum";
    case FaultRegistry::Call::kClose: return "close";
  }
  return "?";
}

}  // namespace

void FaultRegistry::fail(Call call, const std::string& key_path, long code,
                         const std::string& value, int times) {
  faults_.push_back({call, key_path, value, code, times});
}

long FaultRegistry::take(Call call, const std::string& key_path, const std::string& value) {
  calls_.push_back(std::string(call_name(call)) + " " + key_path +
                   (value.empty() ? "" : " " + value));
  for (Fault& fault : faults_) {
    if (fault.times > 0 && fault.call == call &&
        platform::equals_no_case(fault.key_path, key_path) &&
        (fault.value.empty() || platform::equals_no_case(fault.value, value))) {
      --fault.times;
      return fault.code;
    }
  }
  return 0;
}

std::string FaultRegistry::path_of(platform::RegistryKey key) const {
  auto it = paths_.find(key);
  return it == paths_.end() ? std::string("?") : it->second;
}

long FaultRegistry::open_key(platform::RegistryRoot root, const std::string& path,
                             std::uint32_t access, platform::RegistryKey* key) {
  if (long rc = take(Call::kOpen, path, {})) {
    *key = 0;
    return rc;
  }
  const long rc = inner_.open_key(root, path, access, key);
  if (rc == 0) paths_[*key] = path;
  return rc;
}

long FaultRegistry::create_key(platform::RegistryRoot root, const std::string& path,
                               platform::RegistryKey* key) {
  if (long rc = take(Call::kCreate, path, {})) {
    *key = 0;
    return rc;
  }
  const long rc = inner_.create_key(root, path, key);
  if (rc == 0) paths_[*key] = path;
  return rc;
}

long FaultRegistry::query_value(platform::RegistryKey key, const std::string& name,
                                platform::RegistryValue* value) {
  if (long rc = take(Call::kQuery, path_of(key), name)) return rc;
  return inner_.query_value(key, name, value);
}

long FaultRegistry::set_string(platform::RegistryKey key, const std::string& name,
                               const std::string& text) {
  if (long rc = take(Call::kSetString, path_of(key), name)) return rc;
  return inner_.set_string(key, name, text);
}

long FaultRegistry::set_dword(platform::RegistryKey key, const std::string& name,
                              std::uint32_t number) {
  if (long rc = take(Call::kSetDword, path_of(key), name)) return rc;
  return inner_.set_dword(key, name, number);
}

long FaultRegistry::delete_value(platform::RegistryKey key, const std::string& name) {
  if (long rc = take(Call::kDelete, path_of(key), name)) return rc;
  return inner_.delete_value(key, name);
}

long FaultRegistry::enum_subkey(platform::RegistryKey key, std::uint32_t index,
                                std::string* name) {
  if (long rc = take(Call::kEnum, path_of(key), {})) return rc;
  return inner_.enum_subkey(key, index, name);
}

long FaultRegistry::close_key(platform::RegistryKey key) {
  const std::string path = path_of(key);
  // A failed close still releases the key underneath, as RegCloseKey does.
  const long fault = take(Call::kClose, path, {});
  const long rc = inner_.close_key(key);
  paths_.erase(key);
  return fault ? fault : rc;
}

long FaultRegistry::delete_key_tree(platform::RegistryRoot root, const std::string& path) {
  return inner_.delete_key_tree(root, path);
}

}  // namespace vmt::test
