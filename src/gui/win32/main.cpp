// The Windows program: the platform of this build, the run's context, and
// the application with the real main window.
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include <memory>

#include "app/active_sync_app.h"
#include "app/diagnostic_log.h"
#include "gui/win32/copying_window.h"
#include "gui/win32/list_view.h"
#include "gui/win32/message_boxes.h"
#include "gui/win32/transfer_window.h"
#include "platform/platform.h"
#include "platform/win32/win32_path.h"
#include "platform/win32/win32_resources.h"
#include "settings/program_launch.h"

namespace vmt::gui {
namespace {

// The resource library that the application loaded, as a module.
HINSTANCE library_module(const app::RunContext& context) {
  const auto* library =
      dynamic_cast<const platform::Win32ModuleStringTable*>(context.resource_library);
  return library != nullptr ? reinterpret_cast<HINSTANCE>(library->module()) : nullptr;
}

class Win32ApplicationParts : public settings::SettingsApplicationParts {
 public:
  Win32ApplicationParts(HINSTANCE instance, ImageListIcons& icons, ui::IconCache& cache)
      : instance_(instance), icons_(icons), cache_(cache) {}

  int run_main_dialog(app::RunContext& context) override {
    const ResourceModules resources{instance_, library_module(context)};
    TransferWindow window(resources, context, icons_, cache_);
    device::CopyingDialogs copying(
        copying_window_maker(resources, [&window](MSG& msg) { window.dispatch(msg); }));
    context.copying = &copying;
    const int result = window.run();
    context.copying = nullptr;
    return result;
  }

 private:
  HINSTANCE instance_;
  ImageListIcons& icons_;
  ui::IconCache& cache_;
};

int run(HINSTANCE instance, const wchar_t* command_line) {
  INITCOMMONCONTROLSEX controls{sizeof controls,
                                ICC_WIN95_CLASSES | ICC_ANIMATE_CLASS | ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&controls);

  std::unique_ptr<platform::PlatformServices> services = platform::make_platform_services();
  platform::Platform platform = services->platform();
  Win32MessageBoxes boxes(instance);
  app::FileDiagnosticLog log(platform.files, platform.clock, platform.shell);
  std::unique_ptr<platform::StringTable> own_texts = platform.resources.own_table();
  app::MessageTexts texts(boxes, *own_texts);
  app::RunContext context(platform, boxes, log, texts);

  // One image list for both panes, for the whole run.
  ImageListIcons icons;
  ui::IconCache cache(icons);
  Win32ApplicationParts parts(instance, icons, cache);
  app::CActiveSyncApp application(context, parts, platform::from_wide(command_line));
  application.InitInstance();
  return 0;
}

}  // namespace
}  // namespace vmt::gui

namespace {

// Libraries are taken from the system folder only: never a planted copy in
// the program's folder or the current one. The call is missing from Windows 7
// without its update; the current folder is left out there at least.
void load_libraries_from_the_system_folder_only() {
  constexpr DWORD kSearchSystem32 = 0x00000800;  // LOAD_LIBRARY_SEARCH_SYSTEM32
  using SetDirectories = BOOL(WINAPI*)(DWORD);
  const auto set_directories = reinterpret_cast<SetDirectories>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
  if (set_directories == nullptr || !set_directories(kSearchSystem32)) SetDllDirectoryW(L"");
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR command_line, int) {
  load_libraries_from_the_system_folder_only();
  // The folder picker's new style needs the apartment that OLE sets up.
  const HRESULT ole = OleInitialize(nullptr);
  int result = 1;
  try {
    result = vmt::gui::run(instance, command_line != nullptr ? command_line : L"");
  } catch (...) {
    MessageBoxW(nullptr, L"The program met an unexpected error and has to close.",
                L"Veldmark", MB_OK | MB_ICONERROR);
  }
  if (SUCCEEDED(ole)) OleUninitialize();
  return result;
}
