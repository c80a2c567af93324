// The desktop's top-level windows and the starting of other programs.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vmt::platform {

struct TopLevelWindow {
  std::string title;
  std::string class_name;
};

// Held while this copy of the program is the one running; let go when it goes.
class InstanceClaim {
 public:
  virtual ~InstanceClaim() = default;
};

class DesktopWindows {
 public:
  virtual ~DesktopWindows() = default;

  // Every top-level window, in the order the system enumerates them.
  virtual std::vector<TopLevelWindow> list_top_level_windows() = 0;
  // True when a top-level window has exactly this title.
  virtual bool window_with_title_exists(const std::string& title) = 0;
  // True while the window with this handle exists (0 is never a window).
  virtual bool window_exists(std::uintptr_t window) = 0;
  // Claims a name that one running copy of a program holds at a time, in the
  // user's session; null while another copy holds it. Unlike a window, the
  // claim is made at once, so two copies started together cannot both win.
  virtual std::unique_ptr<InstanceClaim> claim_single_instance(const std::string& name) = 0;
  // Starts `executable` (a full path, or a bare name found on the search
  // path) with `argument` as its one argument; an empty argument passes none.
  // The argument is quoted so that blanks in it never split it. The program
  // starts in its own folder, never in this one's current folder. False with
  // the Win32 code in `error` when the program could not be started.
  virtual bool start_program(const std::string& executable, const std::string& argument,
                             std::uint32_t* error) = 0;
  // Shows a text file in the desktop's text viewer (Notepad on Windows).
  virtual bool open_text_viewer(const std::string& file, std::uint32_t* error) = 0;
  // Shows a folder in the desktop's file browser (Explorer on Windows).
  virtual bool open_folder(const std::string& folder, std::uint32_t* error) = 0;
};

}  // namespace vmt::platform
