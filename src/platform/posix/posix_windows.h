// The desktop windows of the Linux build: the windows are a list that tests
// arrange; programs are started as processes of their own.
#pragma once

#include <string>
#include <vector>

#include "platform/desktop_windows.h"

namespace vmt::platform {

class PosixDesktopWindows : public DesktopWindows {
 public:
  // `viewer` is the program that shows text files, found on the PATH.
  explicit PosixDesktopWindows(std::string viewer = "xdg-open");
  ~PosixDesktopWindows() override;
  PosixDesktopWindows(const PosixDesktopWindows&) = delete;
  PosixDesktopWindows& operator=(const PosixDesktopWindows&) = delete;

  void set_windows(std::vector<TopLevelWindow> windows) { windows_ = std::move(windows); }

  std::vector<TopLevelWindow> list_top_level_windows() override { return windows_; }
  bool window_with_title_exists(const std::string& title) override;
  // Linux has no windows of the program's own; any handle given counts as live.
  bool window_exists(std::uintptr_t window) override { return window != 0; }
  // A lock on a file of the user's runtime folder (else the temporary folder).
  std::unique_ptr<InstanceClaim> claim_single_instance(const std::string& name) override;
  bool start_program(const std::string& executable, const std::string& argument,
                     std::uint32_t* error) override;
  bool open_text_viewer(const std::string& file, std::uint32_t* error) override;
  // The same viewer: xdg-open shows a folder in the desktop's file browser.
  bool open_folder(const std::string& folder, std::uint32_t* error) override;

 private:
  void reap_finished();

  std::string viewer_;
  std::vector<int> started_;  // process ids not yet reaped
  std::vector<TopLevelWindow> windows_;
};

}  // namespace vmt::platform
