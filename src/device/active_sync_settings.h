// ActiveSync's own settings on the desktop that the Options menu switches:
// starting this program when a data collector connects, and connecting every
// device as a guest.
#pragma once

#include <string>

#include "app/run_context.h"

namespace vmt::device {

struct ActiveSyncState {
  bool auto_start = false;
  std::string exe_path;  // the executable that "Auto start on connect" writes, quoted
  bool guest = false;
  bool guest_existed = false;  // "GuestOnly" was there when read
};

// The running executable's path, after comparing it with the installed one.
std::string get_own_exe_path(app::RunContext& context);

void read_auto_start_state(app::RunContext& context, ActiveSyncState* state);
void read_guest_state(app::RunContext& context, ActiveSyncState* state);
// Each change writes or deletes the value; after one that failed, the state
// is what the registry holds then.
void toggle_auto_start(app::RunContext& context, ActiveSyncState* state);
void toggle_guest(app::RunContext& context, ActiveSyncState* state);

}  // namespace vmt::device
