#include "platform/posix/posix_windows.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <utility>

#include "platform/posix/posix_errors.h"
#include "platform/types.h"

extern char** environ;

namespace vmt::platform {

namespace {

// The locked file that marks the running copy; closing it lets the lock go.
class LockClaim : public InstanceClaim {
 public:
  explicit LockClaim(int file) : file_(file) {}
  ~LockClaim() override { close(file_); }
  LockClaim(const LockClaim&) = delete;
  LockClaim& operator=(const LockClaim&) = delete;

 private:
  int file_;
};

// The folder an absolute program path names; empty for any other, which the
// change of folder before the start would make name another file.
std::string folder_of_program(const std::string& program) {
  if (program.empty() || program[0] != '/') return {};
  return program.substr(0, program.rfind('/') + 1);
}

}  // namespace

PosixDesktopWindows::PosixDesktopWindows(std::string viewer) : viewer_(std::move(viewer)) {}

PosixDesktopWindows::~PosixDesktopWindows() { reap_finished(); }

// Started programs are never waited for; those that have ended are reaped so
// that they leave no zombie behind.
void PosixDesktopWindows::reap_finished() {
  std::vector<int> running;
  for (const int child : started_) {
    int status = 0;
    if (waitpid(child, &status, WNOHANG) == 0) running.push_back(child);
  }
  started_ = std::move(running);
}

bool PosixDesktopWindows::window_with_title_exists(const std::string& title) {
  for (const TopLevelWindow& window : windows_) {
    if (window.title == title) return true;
  }
  return false;
}

std::unique_ptr<InstanceClaim> PosixDesktopWindows::claim_single_instance(
    const std::string& name) {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  std::string folder = runtime != nullptr && runtime[0] == '/' ? runtime : "/tmp";
  // In a shared folder the user's id keeps one user's copies from another's.
  const std::string path =
      folder + "/" + name + "-" + std::to_string(static_cast<long>(getuid())) + ".lock";
  const int file = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (file < 0) return nullptr;
  if (flock(file, LOCK_EX | LOCK_NB) != 0) {
    close(file);
    return nullptr;
  }
  return std::make_unique<LockClaim>(file);
}

bool PosixDesktopWindows::start_program(const std::string& executable, const std::string& argument,
                                        std::uint32_t* error) {
  std::string program = executable;
  std::string passed = argument;
  std::vector<char*> argv{program.data()};
  if (!argument.empty()) argv.push_back(passed.data());
  argv.push_back(nullptr);
  reap_finished();
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  const std::string folder = folder_of_program(program);
  if (!folder.empty()) posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
  pid_t child = 0;
  const int result =
      posix_spawnp(&child, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (result != 0) {
    if (error != nullptr) {
      *error = result == ENOENT || result == ENOTDIR ? error::kFileNotFound
                                                     : win32_error_from_errno(result, "");
    }
    return false;
  }
  started_.push_back(child);
  if (error != nullptr) *error = error::kSuccess;
  return true;
}

bool PosixDesktopWindows::open_text_viewer(const std::string& file, std::uint32_t* error) {
  return start_program(viewer_, file, error);
}

bool PosixDesktopWindows::open_folder(const std::string& folder, std::uint32_t* error) {
  return start_program(viewer_, folder, error);
}

}  // namespace vmt::platform
