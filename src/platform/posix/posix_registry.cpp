#include "platform/posix/posix_registry.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

#include "platform/common/reg_text.h"
#include "platform/types.h"

namespace vmt::platform {

namespace {

int root_index(RegistryRoot root) { return root == RegistryRoot::kLocalMachine ? 0 : 1; }

bool make_folders(const std::string& folder) {
  std::string partial;
  for (std::size_t i = 0; i <= folder.size(); ++i) {
    if (i == folder.size() || folder[i] == '/') {
      if (!partial.empty() && ::mkdir(partial.c_str(), 0755) != 0 && errno != EEXIST) {
        return false;
      }
    }
    if (i < folder.size()) partial += folder[i];
  }
  struct stat info;
  return ::stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool write_all(int fd, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

std::string PosixRegistry::default_store_folder() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  if (config && *config) return std::string(config) + "/vmtransfer";
  const char* home = std::getenv("HOME");
  return std::string(home && *home ? home : ".") + "/.config/vmtransfer";
}

PosixRegistry::PosixRegistry(std::string store_folder) : folder_(std::move(store_folder)) {}

std::string PosixRegistry::store_file(RegistryRoot root) const {
  return folder_ + "/" + registry_root_name(root) + ".reg";
}

PosixRegistry::FileStamp PosixRegistry::stamp_of(const std::string& file) const {
  FileStamp stamp;
  struct stat info;
  if (::stat(file.c_str(), &info) != 0) return stamp;
  stamp.exists = true;
  stamp.device = static_cast<std::uint64_t>(info.st_dev);
  stamp.inode = static_cast<std::uint64_t>(info.st_ino);
  stamp.size = static_cast<std::uint64_t>(info.st_size);
  stamp.modified_ns = static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1000000000 +
                      info.st_mtim.tv_nsec;
  return stamp;
}

void PosixRegistry::refresh(RegistryRoot root) {
  RootState& state = state_[root_index(root)];
  const std::string file = store_file(root);
  const FileStamp stamp = stamp_of(file);
  if (state.read && stamp == state.stamp) return;
  RegTextDocument document;
  bool damaged = false;
  if (stamp.exists) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    std::vector<RegTextProblem> problems;
    if (!in.good() && !in.eof()) {
      damaged = true;
    } else if (!parse_reg_text(bytes.str(), &document, &problems)) {
      damaged = true;
    }
  }
  if (!memory_.load(root, document)) damaged = true;
  state.read = true;
  state.stamp = stamp;
  state.damaged = damaged;
}

void PosixRegistry::refresh_key(RegistryKey key) {
  RegistryRoot root;
  if (memory_.root_of(key, &root)) refresh(root);
}

bool PosixRegistry::write_store(RegistryRoot root) {
  if (!make_folders(folder_)) return false;
  const std::string file = store_file(root);
  const std::string temporary = file + ".tmp." + std::to_string(::getpid());
  const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  const std::string bytes = serialize_reg_text(memory_.save(root));
  const bool written = write_all(fd, bytes) && ::fsync(fd) == 0;
  const bool closed = ::close(fd) == 0;
  if (!written || !closed || ::rename(temporary.c_str(), file.c_str()) != 0) {
    ::unlink(temporary.c_str());
    return false;
  }
  state_[root_index(root)].stamp = stamp_of(file);
  return true;
}

template <typename Change>
long PosixRegistry::change(RegistryRoot root, Change&& apply) {
  refresh(root);
  const std::uint64_t before = memory_.change_count(root);
  // Kept only to undo a change that the store file did not take.
  RegTextDocument previous = memory_.save(root);
  const long rc = apply();
  if (rc != 0 || memory_.change_count(root) == before) return rc;
  if (state_[root_index(root)].damaged || !write_store(root)) {
    memory_.load(root, previous);
    return state_[root_index(root)].damaged ? registry_error::kBadDatabase
                                            : static_cast<long>(error::kAccessDenied);
  }
  return 0;
}

long PosixRegistry::open_key(RegistryRoot root, const std::string& path, std::uint32_t access,
                             RegistryKey* key) {
  refresh(root);
  return memory_.open_key(root, path, access, key);
}

long PosixRegistry::create_key(RegistryRoot root, const std::string& path, RegistryKey* key) {
  RegistryKey opened = 0;
  const long rc = change(root, [&] { return memory_.create_key(root, path, &opened); });
  if (rc != 0 && opened != 0) {
    memory_.close_key(opened);
    opened = 0;
  }
  if (key) *key = opened;
  return rc;
}

long PosixRegistry::query_value(RegistryKey key, const std::string& name, RegistryValue* value) {
  refresh_key(key);
  return memory_.query_value(key, name, value);
}

long PosixRegistry::set_string(RegistryKey key, const std::string& name,
                               const std::string& text) {
  RegistryRoot root;
  if (!memory_.root_of(key, &root)) return error::kInvalidHandle;
  return change(root, [&] { return memory_.set_string(key, name, text); });
}

long PosixRegistry::set_dword(RegistryKey key, const std::string& name, std::uint32_t number) {
  RegistryRoot root;
  if (!memory_.root_of(key, &root)) return error::kInvalidHandle;
  return change(root, [&] { return memory_.set_dword(key, name, number); });
}

long PosixRegistry::delete_value(RegistryKey key, const std::string& name) {
  RegistryRoot root;
  if (!memory_.root_of(key, &root)) return error::kInvalidHandle;
  return change(root, [&] { return memory_.delete_value(key, name); });
}

long PosixRegistry::enum_subkey(RegistryKey key, std::uint32_t index, std::string* name) {
  refresh_key(key);
  return memory_.enum_subkey(key, index, name);
}

long PosixRegistry::close_key(RegistryKey key) { return memory_.close_key(key); }

long PosixRegistry::delete_key_tree(RegistryRoot root, const std::string& path) {
  return change(root, [&] { return memory_.delete_key_tree(root, path); });
}

}  // namespace vmt::platform
