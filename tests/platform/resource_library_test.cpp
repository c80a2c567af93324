// A translation library as the program finds it beside itself: its texts, and
// the module each window resource comes from (the window test runs a copy of
// the program beside the same library).
#ifdef _WIN32

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "platform/win32/win32_resources.h"
#include "ui/transfer_dlg_ids.h"

namespace vmt::platform {
namespace {

TEST(ResourceLibrary, ItsTextsAndWindowsAreTakenAndTheRestFromTheProgram) {
  Win32ResourceLoader loader;
  const std::string path = std::string(VMT_BINARY_DIR) + "\\translation\\VmTransferTST.dll";
  const std::unique_ptr<StringTable> table = loader.load_library(path);
  ASSERT_NE(table, nullptr) << path;
  std::string text;
  ASSERT_TRUE(table->find(50410, &text));
  EXPECT_EQ(text, "Bereit.");
  EXPECT_FALSE(table->find(49999, &text));

  const auto library = static_cast<const Win32ModuleStringTable&>(*table).module();
  const auto program = reinterpret_cast<std::uintptr_t>(GetModuleHandleW(nullptr));
  EXPECT_EQ(module_with_resource(library, program, RT_DIALOG, IDD_TRANSFER_DLG), library);
  EXPECT_EQ(module_with_resource(library, program, RT_MENU, IDR_TRANSFER_MENU), library);
  EXPECT_EQ(module_with_resource(library, program, RT_ACCELERATOR, IDR_TRANSFER_ACCEL), library);
  // What it does not carry comes from the program.
  EXPECT_EQ(module_with_resource(library, program, RT_BITMAP, IDB_UPLOAD), program);
  EXPECT_EQ(module_with_resource(library, program, RT_DIALOG, 4242), program);
  EXPECT_EQ(module_with_resource(0, program, RT_DIALOG, IDD_TRANSFER_DLG), program);
}

}  // namespace
}  // namespace vmt::platform

#endif
