#include "platform/common/memory_registry.h"

#include "platform/common/utf.h"
#include "platform/types.h"

namespace vmt::platform {

namespace {

constexpr std::size_t kMaxNameLength = 255;

// Windows orders sub-keys by their upper-cased names.
std::string order_key(const std::string& name) { return to_upper_ascii(name); }

bool split_path(const std::string& path, std::vector<std::string>* parts) {
  parts->clear();
  std::string part;
  for (char c : path) {
    if (c == '\\') {
      if (!part.empty()) parts->push_back(part);
      part.clear();
    } else {
      part += c;
    }
  }
  if (!part.empty()) parts->push_back(part);
  for (const std::string& p : *parts) {
    if (p.size() > kMaxNameLength) return false;
  }
  return parts->size() <= MemoryRegistry::kMaxDepth;
}

bool has_prefix(const std::vector<std::string>& path, const std::vector<std::string>& prefix) {
  if (path.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (!equals_no_case(path[i], prefix[i])) return false;
  }
  return true;
}

int root_index(RegistryRoot root) { return root == RegistryRoot::kLocalMachine ? 0 : 1; }

}  // namespace

const char* registry_root_name(RegistryRoot root) {
  return root == RegistryRoot::kLocalMachine ? "HKEY_LOCAL_MACHINE" : "HKEY_CURRENT_USER";
}

struct MemoryRegistry::Node {
  std::string name;
  std::map<std::string, RegTextValue> values;  // by upper-cased value name
  std::map<std::string, std::unique_ptr<Node>> children;  // by upper-cased key name
};

MemoryRegistry::MemoryRegistry() {
  roots_[0] = std::make_unique<Node>();
  roots_[1] = std::make_unique<Node>();
}

MemoryRegistry::~MemoryRegistry() = default;

MemoryRegistry::Node* MemoryRegistry::find_node(RegistryRoot root,
                                                const std::vector<std::string>& path) const {
  Node* node = roots_[root_index(root)].get();
  for (const std::string& part : path) {
    auto it = node->children.find(order_key(part));
    if (it == node->children.end()) return nullptr;
    node = it->second.get();
  }
  return node;
}

long MemoryRegistry::node_of(RegistryKey key, std::uint32_t right, Node** node) const {
  auto it = open_.find(key);
  if (it == open_.end()) return error::kInvalidHandle;
  const OpenKey& open = it->second;
  if (open.deleted) return registry_error::kKeyDeleted;
  if ((open.access & right) != right) return error::kAccessDenied;
  *node = find_node(open.root, open.path);
  return *node ? 0 : registry_error::kKeyDeleted;
}

long MemoryRegistry::add_handle(RegistryRoot root, std::vector<std::string> path,
                                std::uint32_t access, RegistryKey* key) {
  const RegistryKey handle = next_key_++;
  open_[handle] = OpenKey{root, std::move(path), access, false};
  *key = handle;
  return 0;
}

long MemoryRegistry::open_key(RegistryRoot root, const std::string& path, std::uint32_t access,
                              RegistryKey* key) {
  if (!key) return error::kInvalidParameter;
  *key = 0;
  std::vector<std::string> parts;
  if (!split_path(path, &parts)) return error::kInvalidParameter;
  if ((access & key_access::kView64) && root == RegistryRoot::kLocalMachine && !parts.empty() &&
      equals_no_case(parts[0], "SOFTWARE")) {
    parts.insert(parts.begin() + 1, kView64Node);
  }
  if (!find_node(root, parts)) return error::kFileNotFound;
  return add_handle(root, std::move(parts), access, key);
}

long MemoryRegistry::create_key(RegistryRoot root, const std::string& path, RegistryKey* key) {
  if (!key) return error::kInvalidParameter;
  *key = 0;
  std::vector<std::string> parts;
  if (!split_path(path, &parts)) return error::kInvalidParameter;
  Node* node = roots_[root_index(root)].get();
  bool created = false;
  for (const std::string& part : parts) {
    std::unique_ptr<Node>& child = node->children[order_key(part)];
    if (!child) {
      child = std::make_unique<Node>();
      child->name = part;
      created = true;
    }
    node = child.get();
  }
  if (created) ++changes_[root_index(root)];
  return add_handle(root, std::move(parts), key_access::kAllAccess, key);
}

long MemoryRegistry::query_value(RegistryKey key, const std::string& name,
                                 RegistryValue* value) {
  Node* node = nullptr;
  if (long rc = node_of(key, key_access::kQueryValue, &node)) return rc;
  auto it = node->values.find(order_key(name));
  if (it == node->values.end()) return error::kFileNotFound;
  if (value) {
    value->type = it->second.type;
    value->text = it->second.text;
    value->number = it->second.number;
  }
  return 0;
}

long MemoryRegistry::set_string(RegistryKey key, const std::string& name,
                                const std::string& text) {
  Node* node = nullptr;
  if (long rc = node_of(key, key_access::kSetValue, &node)) return rc;
  RegTextValue& entry = node->values[order_key(name)];
  if (entry.name.empty()) entry.name = name;
  entry.type = value_type::kString;
  entry.text = text;
  entry.number = 0;
  entry.raw.clear();
  ++changes_[root_index(open_[key].root)];
  return 0;
}

long MemoryRegistry::set_dword(RegistryKey key, const std::string& name, std::uint32_t number) {
  Node* node = nullptr;
  if (long rc = node_of(key, key_access::kSetValue, &node)) return rc;
  RegTextValue& entry = node->values[order_key(name)];
  if (entry.name.empty()) entry.name = name;
  entry.type = value_type::kDword;
  entry.text.clear();
  entry.number = number;
  entry.raw.clear();
  ++changes_[root_index(open_[key].root)];
  return 0;
}

long MemoryRegistry::delete_value(RegistryKey key, const std::string& name) {
  Node* node = nullptr;
  if (long rc = node_of(key, key_access::kSetValue, &node)) return rc;
  if (node->values.erase(order_key(name)) == 0) return error::kFileNotFound;
  ++changes_[root_index(open_[key].root)];
  return 0;
}

long MemoryRegistry::enum_subkey(RegistryKey key, std::uint32_t index, std::string* name) {
  Node* node = nullptr;
  if (long rc = node_of(key, key_access::kEnumerateSubKeys, &node)) return rc;
  if (index >= node->children.size()) return error::kNoMoreItems;
  auto it = node->children.begin();
  std::advance(it, index);
  if (name) *name = it->second->name;
  return 0;
}

long MemoryRegistry::close_key(RegistryKey key) {
  return open_.erase(key) ? 0 : static_cast<long>(error::kInvalidHandle);
}

long MemoryRegistry::delete_key_tree(RegistryRoot root, const std::string& path) {
  std::vector<std::string> parts;
  if (!split_path(path, &parts)) return error::kInvalidParameter;
  if (parts.empty()) return error::kAccessDenied;  // a root cannot be deleted
  std::vector<std::string> parent_path(parts.begin(), parts.end() - 1);
  Node* parent = find_node(root, parent_path);
  if (!parent || parent->children.erase(order_key(parts.back())) == 0) {
    return error::kFileNotFound;
  }
  for (auto& [handle, open] : open_) {
    if (open.root == root && has_prefix(open.path, parts)) open.deleted = true;
  }
  ++changes_[root_index(root)];
  return 0;
}

bool MemoryRegistry::load(RegistryRoot root, const RegTextDocument& document) {
  auto fresh = std::make_unique<Node>();
  const std::string root_name = registry_root_name(root);
  bool complete = true;
  for (const RegTextKey& key : document.keys) {
    std::vector<std::string> parts;
    if (!split_path(key.path, &parts) || parts.empty() ||
        !equals_no_case(parts.front(), root_name)) {
      complete = false;
      continue;
    }
    Node* node = fresh.get();
    for (std::size_t i = 1; i < parts.size(); ++i) {
      std::unique_ptr<Node>& child = node->children[order_key(parts[i])];
      if (!child) {
        child = std::make_unique<Node>();
        child->name = parts[i];
      }
      node = child.get();
    }
    for (const RegTextValue& value : key.values) node->values[order_key(value.name)] = value;
  }
  roots_[root_index(root)] = std::move(fresh);
  return complete;
}

RegTextDocument MemoryRegistry::save(RegistryRoot root, const std::string& without_path) const {
  std::vector<std::string> skip;
  const bool skipping = split_path(without_path, &skip) && !skip.empty();
  RegTextDocument document;
  struct Walker {
    RegTextDocument& document;
    const std::vector<std::string>& skip;
    bool skipping;
    std::vector<std::string> trail;
    void walk(const Node& node, const std::string& path, bool is_root) {
      if (skipping && !is_root && trail.size() >= skip.size() && has_prefix(trail, skip)) return;
      // Every key is written, so empty keys survive; the root only when it holds values.
      if (!is_root || !node.values.empty()) {
        RegTextKey key;
        key.path = path;
        for (const auto& [folded, value] : node.values) key.values.push_back(value);
        document.keys.push_back(std::move(key));
      }
      for (const auto& [folded, child] : node.children) {
        trail.push_back(child->name);
        walk(*child, path + "\\" + child->name, false);
        trail.pop_back();
      }
    }
  } walker{document, skip, skipping, {}};
  walker.walk(*roots_[root_index(root)], registry_root_name(root), true);
  return document;
}

bool MemoryRegistry::root_of(RegistryKey key, RegistryRoot* root) const {
  auto it = open_.find(key);
  if (it == open_.end()) return false;
  if (root) *root = it->second.root;
  return true;
}

std::uint64_t MemoryRegistry::change_count(RegistryRoot root) const {
  return changes_[root_index(root)];
}

}  // namespace vmt::platform
