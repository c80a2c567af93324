// What only the Linux store shows: its files, sharing them between copies,
// and stores that cannot be written or are damaged.
#ifndef _WIN32
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

#include "platform/common/memory_registry.h"
#include "platform/posix/posix_registry.h"
#include "support/temp_folder.h"

namespace vmt::platform {
namespace {

namespace fs = std::filesystem;
constexpr const char* kKey = "SOFTWARE\\Veldmark\\Transfer\\TransferOptions";

long set_option(Registry& registry, const std::string& name, const std::string& text) {
  RegistryKey key = 0;
  long rc = registry.create_key(RegistryRoot::kCurrentUser, kKey, &key);
  if (rc != 0) return rc;
  rc = registry.set_string(key, name, text);
  registry.close_key(key);
  return rc;
}

std::string read_option(Registry& registry, const std::string& name) {
  RegistryKey key = 0;
  if (registry.open_key(RegistryRoot::kCurrentUser, kKey, key_access::kRead, &key) != 0) {
    return "<no key>";
  }
  RegistryValue value;
  const long rc = registry.query_value(key, name, &value);
  registry.close_key(key);
  return rc == 0 ? value.text : "<no value>";
}

TEST(PosixRegistry, StoresEachRootAsRegistryEditorTextAndLeavesNoTemporaryFile) {
  test::TempFolder folder;
  PosixRegistry registry(folder.path("store"));
  ASSERT_EQ(0, set_option(registry, "DefSyncProgram", "User defined"));

  const std::string text = folder.read_file("store/HKEY_CURRENT_USER.reg");
  EXPECT_EQ(0u, text.find("Windows Registry Editor Version 5.00"));
  EXPECT_NE(std::string::npos,
            text.find("[HKEY_CURRENT_USER\\SOFTWARE\\Veldmark\\Transfer\\TransferOptions]"));
  EXPECT_NE(std::string::npos, text.find("\"DefSyncProgram\"=\"User defined\""));
  int files = 0;
  for (const auto& entry : fs::directory_iterator(folder.path("store"))) {
    ++files;
    EXPECT_EQ(".reg", entry.path().extension().string());
  }
  EXPECT_EQ(1, files);
}

TEST(PosixRegistry, TwoCopiesSeeEachOthersWrites) {
  test::TempFolder folder;
  PosixRegistry first(folder.path("store"));
  PosixRegistry second(folder.path("store"));
  ASSERT_EQ(0, set_option(first, "Mode", "one"));
  EXPECT_EQ("one", read_option(second, "Mode"));
  ASSERT_EQ(0, set_option(second, "Mode", "two"));
  EXPECT_EQ("two", read_option(first, "Mode"));
  // A write by one copy keeps what the other wrote before.
  ASSERT_EQ(0, set_option(first, "Other", "kept"));
  EXPECT_EQ("two", read_option(second, "Mode"));
  EXPECT_EQ("kept", read_option(second, "Other"));
}

TEST(PosixRegistry, AStoreThatCannotBeWrittenRefusesChangesAndKeepsItsState) {
  test::TempFolder folder;
  PosixRegistry registry(folder.path("store"));
  ASSERT_EQ(0, set_option(registry, "Mode", "before"));
  RegistryKey key = 0;
  ASSERT_EQ(0, registry.open_key(RegistryRoot::kCurrentUser, kKey, key_access::kAllAccess, &key));
  // The tests run as root, so permissions would not stop a write: a folder in the
  // way of the temporary file does.
  fs::create_directories(folder.path("store/HKEY_CURRENT_USER.reg.tmp." +
                                     std::to_string(::getpid())) + "/x");
  EXPECT_EQ(5, registry.set_string(key, "Mode", "after"));
  EXPECT_EQ(5, registry.set_dword(key, "Count", 3));
  RegistryValue value;
  EXPECT_EQ(0, registry.query_value(key, "Mode", &value));
  EXPECT_EQ("before", value.text);
  EXPECT_EQ(2, registry.query_value(key, "Count", &value));
  registry.close_key(key);
}

TEST(PosixRegistry, ADamagedStoreIsReadButNeverOverwritten) {
  test::TempFolder folder;
  const std::string damaged =
      "Windows Registry Editor Version 5.00\r\n\r\n"
      "[HKEY_CURRENT_USER\\SOFTWARE\\Veldmark\\Transfer\\TransferOptions]\r\n"
      "\"Mode\"=\"kept\"\r\n"
      "\"Broken\"=dword:zz\r\n"
      "this line means nothing\r\n";
  folder.write_file("store/HKEY_CURRENT_USER.reg", damaged);
  PosixRegistry registry(folder.path("store"));
  EXPECT_EQ("kept", read_option(registry, "Mode"));
  EXPECT_EQ(1009, set_option(registry, "Mode", "lost?"));
  EXPECT_EQ(damaged, folder.read_file("store/HKEY_CURRENT_USER.reg"));
  EXPECT_EQ("kept", read_option(registry, "Mode"));
  // The other root is not damaged and takes writes.
  RegistryKey key = 0;
  ASSERT_EQ(0, registry.create_key(RegistryRoot::kLocalMachine, "SOFTWARE\\Fine", &key));
  registry.close_key(key);
}

TEST(PosixRegistry, TruncatedAndLargeStoresLoad) {
  test::TempFolder folder;
  std::string large = "Windows Registry Editor Version 5.00\r\n\r\n";
  for (int k = 0; large.size() < 10 * 1024 * 1024; ++k) {
    large += "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Bulk\\Key" + std::to_string(k) + "]\r\n";
    for (int v = 0; v < 20; ++v) {
      large += "\"Value" + std::to_string(v) + "\"=\"" + std::string(80, 'a' + v % 26) + "\"\r\n";
    }
  }
  folder.write_file("store/HKEY_LOCAL_MACHINE.reg", large);
  folder.write_file("store/HKEY_CURRENT_USER.reg",
                    large.substr(0, 1000) + "[HKEY_CURRENT_USER\\SOFTWARE\\Cut\\Off");
  PosixRegistry registry(folder.path("store"));
  RegistryKey key = 0;
  ASSERT_EQ(0, registry.open_key(RegistryRoot::kLocalMachine, "SOFTWARE\\Bulk\\Key1000",
                                 key_access::kRead, &key));
  RegistryValue value;
  EXPECT_EQ(0, registry.query_value(key, "Value3", &value));
  EXPECT_EQ(std::string(80, 'd'), value.text);
  registry.close_key(key);
  EXPECT_EQ(2, registry.open_key(RegistryRoot::kCurrentUser, "SOFTWARE\\Cut\\Off",
                                 key_access::kRead, &key));
}

TEST(PosixRegistry, DefaultStoreFolderFollowsTheConfigHome) {
  const char* saved = std::getenv("XDG_CONFIG_HOME");
  const std::string restore = saved ? saved : "";
  setenv("XDG_CONFIG_HOME", "/tmp/config-home", 1);
  EXPECT_EQ("/tmp/config-home/vmtransfer", PosixRegistry::default_store_folder());
  if (saved) {
    setenv("XDG_CONFIG_HOME", restore.c_str(), 1);
  } else {
    unsetenv("XDG_CONFIG_HOME");
  }
}

}  // namespace
}  // namespace vmt::platform
#endif
