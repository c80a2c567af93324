// ActiveSync's two settings in the desktop registry: reading them, toggling
// them, failures shown with the state the registry then holds, and the check
// of the installed executable.
#include "device/active_sync_settings.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

#include <filesystem>

#include "platform/common/path.h"
#include "support/fake_run.h"

namespace vmt::device {
namespace {

using platform::RegistryRoot;
using Call = test::FaultRegistry::Call;

constexpr char kServices[] = "Software\\Microsoft\\Windows CE Services";
constexpr char kAutoStart[] = "Software\\Microsoft\\Windows CE Services\\AutoStartOnConnect";

class ActiveSync : public ::testing::Test {
 protected:
  void SetUp() override {
    run_.arrange(kAutoStart);
    run_.fake.folder.write_file("program/vmtransfer.exe", "exe");
    run_.arrange_option("TransferExe", exe());
  }
  std::string exe() { return run_.fake.platform().files.executable_path(); }
  void set_guest(std::uint32_t number) {
    platform::RegistryKey key = 0;
    ASSERT_EQ(0, run_.fake.registry.create_key(RegistryRoot::kLocalMachine, kServices, &key));
    run_.fake.registry.set_dword(key, "GuestOnly", number);
    run_.fake.registry.close_key(key);
  }
  std::string guest_value() {
    platform::RegistryKey key = 0;
    platform::RegistryValue value;
    run_.fake.registry.open_key(RegistryRoot::kLocalMachine, kServices, platform::key_access::kRead,
                                &key);
    const long read = run_.fake.registry.query_value(key, "GuestOnly", &value);
    run_.fake.registry.close_key(key);
    return read == 0 ? std::to_string(value.number) : "<none>";
  }

  test::FakeRun run_;
  ActiveSyncState state_;
};

TEST_F(ActiveSync, GuestModeOnAndOffRemovesAValueThatWasNotThereAndZeroesOneThatWas) {
  read_guest_state(run_.context, &state_);
  toggle_guest(run_.context, &state_);
  EXPECT_TRUE(state_.guest);
  EXPECT_EQ("1", guest_value());
  toggle_guest(run_.context, &state_);
  EXPECT_FALSE(state_.guest);
  EXPECT_EQ("<none>", guest_value());

  set_guest(1);
  read_guest_state(run_.context, &state_);
  EXPECT_TRUE(state_.guest);
  toggle_guest(run_.context, &state_);
  EXPECT_EQ("0", guest_value());
  EXPECT_TRUE(run_.boxes.shown.empty());
  // Any other number shows off, and is logged.
  set_guest(2);
  run_.log.clear();
  read_guest_state(run_.context, &state_);
  EXPECT_FALSE(state_.guest);
  EXPECT_EQ(1u, run_.log.count());
}

TEST_F(ActiveSync, AutoStartWritesTheRunningPathEvenWhenTheInstalledOneDiffers) {
  run_.arrange_option("TransferExe", exe() + ".old");
  run_.fake.folder.write_file("program/vmtransfer.exe.old", "old");
  read_auto_start_state(run_.context, &state_);
  EXPECT_EQ("exe filename comparison failed\n\n(" + exe() + ")\n(" + exe() + ".old)",
            run_.last_text());
  EXPECT_FALSE(state_.auto_start);
  toggle_auto_start(run_.context, &state_);
  EXPECT_TRUE(state_.auto_start);
  // A command line: quoted, so that a blank in a folder never splits it.
  EXPECT_EQ("\"" + exe() + "\"", run_.stored(kAutoStart, "Veldmark"));
  toggle_auto_start(run_.context, &state_);
  EXPECT_FALSE(state_.auto_start);
  EXPECT_EQ("<none>", run_.stored(kAutoStart, "Veldmark"));

  run_.arrange(kAutoStart, "Veldmark", "C:\\\\elsewhere.exe");
  read_auto_start_state(run_.context, &state_);
  EXPECT_TRUE(state_.auto_start);
}

// Each failure is a box, and the state is what the registry holds after it.
TEST_F(ActiveSync, AFailedReadOrChangeIsShownAndTheStateFollowsTheRegistry) {
  read_auto_start_state(run_.context, &state_);
  toggle_auto_start(run_.context, &state_);
  ASSERT_TRUE(state_.auto_start);
  run_.registry.fail(Call::kDelete, kAutoStart, 5, "Veldmark");
  toggle_auto_start(run_.context, &state_);
  EXPECT_EQ(1u, run_.boxes.shown.size());
  EXPECT_TRUE(state_.auto_start);

  set_guest(0);
  read_guest_state(run_.context, &state_);
  toggle_guest(run_.context, &state_);
  ASSERT_TRUE(state_.guest);
  run_.registry.fail(Call::kSetDword, kServices, 5, "GuestOnly");
  toggle_guest(run_.context, &state_);
  EXPECT_EQ(2u, run_.boxes.shown.size());
  EXPECT_EQ("1", guest_value());
  EXPECT_TRUE(state_.guest);
  // A key that cannot be opened for writing (a standard user) changes nothing.
  run_.registry.fail(Call::kOpen, kServices, 5);
  toggle_guest(run_.context, &state_);
  EXPECT_TRUE(state_.guest);

  // Missing keys and values: each reported, and both show off.
  run_.remove_option("TransferExe");
  run_.fake.registry.delete_key_tree(RegistryRoot::kLocalMachine, kServices);
  run_.boxes.shown.clear();
  read_auto_start_state(run_.context, &state_);
  read_guest_state(run_.context, &state_);
  ASSERT_EQ(4u, run_.boxes.shown.size());
  EXPECT_EQ(
      "System error 2.\nError opening HKEY_LOCAL_MACHINE\\" + std::string(kAutoStart) + " (((2)))",
      run_.texts()[2]);
  EXPECT_FALSE(state_.auto_start);
  EXPECT_FALSE(state_.guest);
  toggle_guest(run_.context, &state_);
  EXPECT_FALSE(state_.guest);
  EXPECT_EQ(5u, run_.boxes.shown.size());
}

TEST_F(ActiveSync, TheInstalledExecutableIsComparedAsAFile) {
  // The same file by another path: its short name on Windows, a link to its
  // folder (as a mapped drive reaches it) elsewhere.
#ifdef _WIN32
  const std::wstring wide = std::filesystem::u8path(exe()).wstring();
  std::wstring other(wide.size() + 1, L'\0');
  other.resize(GetShortPathNameW(wide.c_str(), other.data(), static_cast<DWORD>(other.size())));
  ASSERT_FALSE(other.empty());
  run_.arrange_option("TransferExe", std::filesystem::path(other).u8string());
#else
  const std::string other = run_.fake.folder.path("linked");
  std::filesystem::create_directory_symlink(std::filesystem::u8path(run_.fake.exe_folder()),
                                            std::filesystem::u8path(other));
  run_.arrange_option("TransferExe", platform::path::join(other, "vmtransfer.exe"));
#endif
  EXPECT_EQ(exe(), get_own_exe_path(run_.context));
  EXPECT_TRUE(run_.boxes.shown.empty()) << run_.last_text();
}

}  // namespace
}  // namespace vmt::device
