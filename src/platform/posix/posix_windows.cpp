#include "platform/posix/posix_windows.h"

#include <spawn.h>
#include <sys/types.h>
#include <sys/wait.h>

#include <cerrno>
#include <utility>

#include "platform/posix/posix_errors.h"
#include "platform/types.h"

extern char** environ;

namespace vmt::platform {

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

bool PosixDesktopWindows::start_program(const std::string& executable, const std::string& argument,
                                        std::uint32_t* error) {
  std::string program = executable;
  std::string passed = argument;
  std::vector<char*> argv{program.data()};
  if (!argument.empty()) argv.push_back(passed.data());
  argv.push_back(nullptr);
  reap_finished();
  pid_t child = 0;
  const int result = posix_spawnp(&child, program.c_str(), nullptr, nullptr, argv.data(), environ);
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

}  // namespace vmt::platform
