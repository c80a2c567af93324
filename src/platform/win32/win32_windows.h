// The desktop windows of the Windows build: top-level windows by enumeration,
// programs started with CreateProcessW.
#pragma once

#include <string>
#include <vector>

#include "platform/desktop_windows.h"

namespace vmt::platform {

// One command-line argument quoted so that CommandLineToArgvW and the C
// runtimes give it back unchanged: blanks kept, quotes and the backslashes
// before them escaped.
std::wstring quote_argument(const std::wstring& argument);

class Win32DesktopWindows : public DesktopWindows {
 public:
  std::vector<TopLevelWindow> list_top_level_windows() override;
  bool window_with_title_exists(const std::string& title) override;
  bool window_exists(std::uintptr_t window) override;
  // A named mutex of the session ("Local\" and the name).
  std::unique_ptr<InstanceClaim> claim_single_instance(const std::string& name) override;
  bool start_program(const std::string& executable, const std::string& argument,
                     std::uint32_t* error) override;
  // Notepad from the Windows folder.
  bool open_text_viewer(const std::string& file, std::uint32_t* error) override;
  // Explorer from the Windows folder.
  bool open_folder(const std::string& folder, std::uint32_t* error) override;

 private:
  // A program of the Windows folder started with one argument.
  bool start_windows_program(const wchar_t* name, const std::string& argument,
                             std::uint32_t* error);
};

}  // namespace vmt::platform
