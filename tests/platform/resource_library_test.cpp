// A translation library as the program finds it beside itself: its texts,
// and its dialogs, menus and accelerator in place of the program's own, with
// the program's for what the library does not carry.
#ifdef _WIN32

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "platform/win32/win32_resources.h"
#include "ui/transfer_dlg_ids.h"

namespace vmt::platform {
namespace {

std::string library_path() {
  return std::string(VMT_BINARY_DIR) + "\\translation\\VmTransferTST.dll";
}

INT_PTR CALLBACK plain_dialog(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

TEST(ResourceLibrary, ItsTextsDialogMenuAndAcceleratorAreTakenAndTheRestFromTheProgram) {
  Win32ResourceLoader loader;
  const std::unique_ptr<StringTable> table = loader.load_library(library_path());
  ASSERT_NE(table, nullptr) << library_path();
  std::string text;
  ASSERT_TRUE(table->find(50410, &text));
  EXPECT_EQ(text, "Bereit.");
  ASSERT_TRUE(table->find(50322, &text));
  EXPECT_EQ(text, "Veldmark  Transfer");
  EXPECT_FALSE(table->find(49999, &text));

  const auto library = static_cast<const Win32ModuleStringTable&>(*table).module();
  const auto program = reinterpret_cast<std::uintptr_t>(GetModuleHandleW(nullptr));
  EXPECT_EQ(module_with_resource(library, program, RT_DIALOG, IDD_TRANSFER_DLG), library);
  EXPECT_EQ(module_with_resource(library, program, RT_MENU, IDR_TRANSFER_MENU), library);
  EXPECT_EQ(module_with_resource(library, program, RT_ACCELERATOR, IDR_TRANSFER_ACCEL), library);
  // The pictures are not in it, nor is anything the program does not have.
  EXPECT_EQ(module_with_resource(library, program, RT_BITMAP, IDB_UPLOAD), program);
  EXPECT_EQ(module_with_resource(library, program, RT_DIALOG, 4242), program);
  EXPECT_EQ(module_with_resource(0, program, RT_DIALOG, IDD_TRANSFER_DLG), program);

  const HACCEL keys = LoadAcceleratorsW(reinterpret_cast<HINSTANCE>(library),
                                        MAKEINTRESOURCEW(IDR_TRANSFER_ACCEL));
  ASSERT_NE(keys, nullptr);
  ACCEL entries[32] = {};
  const int count = CopyAcceleratorTableW(keys, entries, 32);
  DestroyAcceleratorTable(keys);
  int refresh_keys = 0;
  for (int i = 0; i < count; ++i) {
    if (entries[i].cmd != ID_REFRESH_KEY) continue;
    ++refresh_keys;
    EXPECT_EQ(entries[i].key, VK_F6);
  }
  EXPECT_EQ(refresh_keys, 1);
}

TEST(ResourceLibrary, TheMainWindowMadeFromItsTemplateHasItsButtonsAndMenu) {
  const HWND probe = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                     GetModuleHandleW(nullptr), nullptr);
  if (probe == nullptr) GTEST_SKIP() << "no display to create a window on";
  DestroyWindow(probe);
  Win32ResourceLoader loader;
  const std::unique_ptr<StringTable> table = loader.load_library(library_path());
  ASSERT_NE(table, nullptr) << library_path();
  const auto library = static_cast<const Win32ModuleStringTable&>(*table).module();
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_ANIMATE_CLASS};
  InitCommonControlsEx(&controls);
  const HWND dialog = CreateDialogParamW(reinterpret_cast<HINSTANCE>(library),
                                         MAKEINTRESOURCEW(IDD_TRANSFER_DLG), nullptr,
                                         plain_dialog, 0);
  ASSERT_NE(dialog, nullptr) << GetLastError();
  wchar_t caption[64] = {};
  GetDlgItemTextW(dialog, IDC_EXIT, caption, 64);
  EXPECT_STREQ(caption, L"Beenden");
  GetMenuStringW(GetMenu(dialog), 0, caption, 64, MF_BYPOSITION);
  EXPECT_STREQ(caption, L"&Datei");
  DestroyWindow(dialog);
}

}  // namespace
}  // namespace vmt::platform

#endif
