// The registry's rules, held alike by the model in memory and the build's own
// registry; then what only the model and only the Linux store show.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/common/memory_registry.h"
#include "support/temp_folder.h"

#ifdef _WIN32
#include "platform/win32/win32_registry.h"
#else
#include <unistd.h>

#include "platform/posix/posix_registry.h"
#endif

namespace vmt::platform {
namespace {

namespace ka = key_access;
using Root = RegistryRoot;

template <typename Kind>
std::unique_ptr<Registry> make(test::TempFolder&) {
  return std::make_unique<Kind>();
}
#ifdef _WIN32
using BuildRegistry = Win32Registry;
#else
using BuildRegistry = PosixRegistry;
template <>
std::unique_ptr<Registry> make<PosixRegistry>(test::TempFolder& folder) {
  return std::make_unique<PosixRegistry>(folder.path("store"));
}
#endif

// Each test works below a key of its own, removed before and after.
template <typename Kind>
class RegistryContract : public ::testing::Test {
 protected:
  void SetUp() override {
    base = std::string("SOFTWARE\\VmtRegistryTest\\") +
           ::testing::UnitTest::GetInstance()->current_test_info()->name();
    registry = make<Kind>(folder);
    TearDown();
  }
  void TearDown() override {
    registry->delete_key_tree(Root::kCurrentUser, base);
    registry->delete_key_tree(Root::kLocalMachine, base);
  }
  RegistryKey create(Root root, const std::string& relative) {
    RegistryKey key = 0;
    EXPECT_EQ(0, registry->create_key(root, base + relative, &key));
    return key;
  }
  long open(Root root, const std::string& relative, std::uint32_t access, RegistryKey* key) {
    return registry->open_key(root, base + relative, access, key);
  }

  test::TempFolder folder;
  std::string base;
  std::unique_ptr<Registry> registry;
};
using Kinds = ::testing::Types<MemoryRegistry, BuildRegistry>;
TYPED_TEST_SUITE(RegistryContract, Kinds);

TYPED_TEST(RegistryContract, ValuesRoundTripWithTheirTypesIgnoringCaseAndMissingOnesAreNotFound) {
  Registry& r = *this->registry;
  RegistryKey key = 0;
  EXPECT_EQ(2, this->open(Root::kCurrentUser, "\\Nowhere", ka::kRead, &key));
  key = this->create(Root::kCurrentUser, "\\Options");
  const std::string mapped = "C:\\Daten\\Vermessung \xC3\xA4\xE2\x82\xAC";
  ASSERT_EQ(0, r.set_string(key, "DefSyncProgram", "first"));
  ASSERT_EQ(0, r.set_string(key, "DEFSYNCPROGRAM", "Plotwise CAD"));
  ASSERT_EQ(0, r.set_dword(key, "ShowSeconds", 1));
  ASSERT_EQ(0, r.set_string(key, "Empty", ""));
  ASSERT_EQ(0, r.set_string(key, "Mapped", mapped));
  ASSERT_EQ(0, r.set_string(key, "Long", std::string(5000, 'x')));
  ASSERT_EQ(0, r.set_dword(key, "GuestOnly", 1));
  RegistryValue value;
  EXPECT_EQ(2, r.query_value(key, "Missing", &value));
  EXPECT_EQ(2, r.delete_value(key, "Missing"));
  EXPECT_EQ(0, r.delete_value(key, "guestonly"));
  EXPECT_EQ(0, r.close_key(key));

  ASSERT_EQ(0, this->open(Root::kCurrentUser, "\\OPTIONS", ka::kRead, &key));
  EXPECT_EQ(2, r.query_value(key, "GuestOnly", &value));
  ASSERT_EQ(0, r.query_value(key, "defsyncprogram", &value));
  EXPECT_EQ(value_type::kString, value.type);
  EXPECT_EQ("Plotwise CAD", value.text);
  ASSERT_EQ(0, r.query_value(key, "SHOWSECONDS", &value));
  EXPECT_EQ(value_type::kDword, value.type);
  EXPECT_EQ(1u, value.number);
  ASSERT_EQ(0, r.query_value(key, "Empty", &value));
  EXPECT_EQ("", value.text);
  ASSERT_EQ(0, r.query_value(key, "Mapped", &value));
  EXPECT_EQ(mapped, value.text);
  ASSERT_EQ(0, r.query_value(key, "Long", &value));
  EXPECT_EQ(std::string(5000, 'x'), value.text);
  r.close_key(key);
}

TYPED_TEST(RegistryContract, SubKeysEnumerateInOrderAndEachRightIsEnforced) {
  Registry& r = *this->registry;
  for (const char* name : {"\\Vendor\\Zeta", "\\Vendor\\alpha", "\\Vendor\\Beta", "\\VENDOR\\ALPHA"}) {
    r.close_key(this->create(Root::kCurrentUser, name));
  }
  RegistryKey key = 0;
  ASSERT_EQ(0, this->open(Root::kCurrentUser, "\\Vendor", ka::kEnumerateSubKeys, &key));
  std::vector<std::string> names;
  std::string name;
  long rc;
  while ((rc = r.enum_subkey(key, static_cast<std::uint32_t>(names.size()), &name)) == 0) {
    names.push_back(name);
  }
  EXPECT_EQ(259, rc);
  EXPECT_EQ((std::vector<std::string>{"alpha", "Beta", "Zeta"}), names);
  EXPECT_EQ(5, r.set_string(key, "Name", "text"));
  r.close_key(key);

  ASSERT_EQ(0, this->open(Root::kCurrentUser, "\\Vendor", ka::kQueryValue, &key));
  EXPECT_EQ(5, r.enum_subkey(key, 0, &name));
  EXPECT_EQ(5, r.set_string(key, "Name", "text"));
  EXPECT_EQ(5, r.set_dword(key, "Name", 1));
  r.close_key(key);
  ASSERT_EQ(0, this->open(Root::kCurrentUser, "\\Vendor", ka::kSetValue, &key));
  EXPECT_EQ(0, r.set_string(key, "Name", "text"));
  r.close_key(key);
}

// HKLM\SOFTWARE is the 32-bit view in both builds; the 64-bit view, which a
// 64-bit registry editor shows without "WOW6432Node", is another key. A handle
// to a key deleted meanwhile says so.
TYPED_TEST(RegistryContract, RootsAndViewsAreSeparateAndTreesGoWhole) {
  Registry& r = *this->registry;
  RegistryKey key = this->create(Root::kLocalMachine, "\\Machine\\A\\B");
  r.set_string(key, "Where", "machine");
  RegistryKey reader = 0;
  EXPECT_EQ(2, this->open(Root::kCurrentUser, "\\Machine", ka::kRead, &reader));
  EXPECT_EQ(2, this->open(Root::kLocalMachine, "\\Machine", ka::kRead | ka::kView64, &reader));
  ASSERT_EQ(0, this->open(Root::kLocalMachine, "\\machine\\a\\b", ka::kRead | ka::kView32,
                          &reader));
  RegistryValue value;
  EXPECT_EQ(0, r.query_value(reader, "Where", &value));
  EXPECT_EQ("machine", value.text);

  EXPECT_EQ(0, r.delete_key_tree(Root::kLocalMachine, this->base + "\\Machine"));
  RegistryKey gone = 0;
  EXPECT_EQ(2, this->open(Root::kLocalMachine, "\\Machine\\A", ka::kRead, &gone));
  EXPECT_EQ(2, r.delete_key_tree(Root::kLocalMachine, this->base + "\\Machine"));
  EXPECT_EQ(registry_error::kKeyDeleted, r.query_value(reader, "Where", &value));
  EXPECT_EQ(registry_error::kKeyDeleted, r.set_string(key, "Where", "two"));
  EXPECT_EQ(0, r.close_key(reader));
  EXPECT_EQ(0, r.close_key(key));
}

#ifndef _WIN32
namespace fs = std::filesystem;
constexpr const char* kKey = "SOFTWARE\\Veldmark\\Transfer\\TransferOptions";
constexpr const char* kHeader = "Windows Registry Editor Version 5.00\r\n\r\n";

long set_option(Registry& registry, const std::string& name, const std::string& text) {
  RegistryKey key = 0;
  long rc = registry.create_key(Root::kCurrentUser, kKey, &key);
  if (rc != 0) return rc;
  rc = registry.set_string(key, name, text);
  registry.close_key(key);
  return rc;
}

std::string read_option(Registry& registry, const std::string& name) {
  RegistryKey key = 0;
  if (registry.open_key(Root::kCurrentUser, kKey, ka::kRead, &key) != 0) return "<no key>";
  RegistryValue value;
  const long rc = registry.query_value(key, name, &value);
  registry.close_key(key);
  return rc == 0 ? value.text : "<no value>";
}

TEST(PosixRegistry, EachRootIsRegistryEditorTextThatCopiesShareAndAFailedWriteChangesNothing) {
  test::TempFolder folder;
  PosixRegistry first(folder.path("store"));
  PosixRegistry second(folder.path("store"));
  ASSERT_EQ(0, set_option(first, "DefSyncProgram", "User defined"));
  RegistryKey key = 0;
  first.create_key(Root::kCurrentUser, "Vendor\\Plotwise", &key);
  first.set_string(key, "InstallDir", "first");
  first.set_string(key, "INSTALLDIR", "second");
  first.close_key(key);
  first.create_key(Root::kCurrentUser, "VENDOR\\_Under", &key);
  first.close_key(key);
  // Names are kept as first written; '_' sorts after the letters when names
  // are compared upper-cased, as Windows does.
  const std::string text = folder.read_file("store/HKEY_CURRENT_USER.reg");
  EXPECT_EQ(0u, text.find(kHeader));
  EXPECT_NE(std::string::npos, text.find(std::string("[HKEY_CURRENT_USER\\") + kKey +
                                         "]\r\n\"DefSyncProgram\"=\"User defined\"\r\n"));
  const auto plotwise =
      text.find("[HKEY_CURRENT_USER\\Vendor\\Plotwise]\r\n\"InstallDir\"=\"second\"\r\n");
  EXPECT_NE(std::string::npos, plotwise);
  EXPECT_LT(plotwise, text.find("[HKEY_CURRENT_USER\\Vendor\\_Under]"));
  // No temporary file is left behind.
  EXPECT_EQ(1, std::distance(fs::directory_iterator(folder.path("store")), {}));

  EXPECT_EQ("User defined", read_option(second, "DefSyncProgram"));
  ASSERT_EQ(0, set_option(second, "Mode", "two"));
  // A write by one copy keeps what the other wrote before.
  ASSERT_EQ(0, set_option(first, "Other", "kept"));
  EXPECT_EQ("two", read_option(second, "Mode"));
  EXPECT_EQ("kept", read_option(second, "Other"));

  // A store that cannot be written refuses changes and keeps its state. As
  // root, permissions would not stop a write: a folder in the temporary file's way does.
  ASSERT_EQ(0, first.open_key(Root::kCurrentUser, kKey, ka::kAllAccess, &key));
  fs::create_directories(
      folder.path("store/HKEY_CURRENT_USER.reg.tmp." + std::to_string(::getpid())) + "/x");
  EXPECT_EQ(5, first.set_string(key, "Mode", "after"));
  EXPECT_EQ(5, first.set_dword(key, "Count", 3));
  RegistryValue value;
  EXPECT_EQ(0, first.query_value(key, "Mode", &value));
  EXPECT_EQ("two", value.text);
  EXPECT_EQ(2, first.query_value(key, "Count", &value));
  first.close_key(key);
}

TEST(PosixRegistry, DamagedAndLargeStoresLoadAndADamagedOneIsNeverOverwritten) {
  test::TempFolder folder;
  std::string large = kHeader;
  for (int k = 0; large.size() < 10 * 1024 * 1024; ++k) {
    large += "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Bulk\\Key" + std::to_string(k) + "]\r\n";
    for (int v = 0; v < 20; ++v) {
      large += "\"Value" + std::to_string(v) + "\"=\"" + std::string(80, 'a' + v % 26) + "\"\r\n";
    }
  }
  folder.write_file("store/HKEY_LOCAL_MACHINE.reg", large);
  const std::string damaged = std::string(kHeader) + "[HKEY_CURRENT_USER\\" + kKey + "]\r\n" +
                              "\"Mode\"=\"kept\"\r\n\"Broken\"=dword:zz\r\nthis means nothing\r\n" +
                              "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Foreign]\r\n[HKEY_CURRENT_USER\\SOFTWARE\\Cut\\Off";
  folder.write_file("store/HKEY_CURRENT_USER.reg", damaged);
  PosixRegistry registry(folder.path("store"));

  EXPECT_EQ("kept", read_option(registry, "Mode"));
  RegistryKey key = 0;
  EXPECT_EQ(2, registry.open_key(Root::kCurrentUser, "SOFTWARE\\Cut\\Off", ka::kRead, &key));
  EXPECT_EQ(2, registry.open_key(Root::kLocalMachine, "SOFTWARE\\Foreign", ka::kRead, &key));
  EXPECT_EQ(registry_error::kBadDatabase, set_option(registry, "Mode", "lost?"));
  EXPECT_EQ(damaged, folder.read_file("store/HKEY_CURRENT_USER.reg"));
  EXPECT_EQ("kept", read_option(registry, "Mode"));

  ASSERT_EQ(0, registry.open_key(Root::kLocalMachine, "SOFTWARE\\Bulk\\Key1000", ka::kAllAccess,
                                 &key));
  RegistryValue value;
  EXPECT_EQ(0, registry.query_value(key, "Value3", &value));
  EXPECT_EQ(std::string(80, 'd'), value.text);
  // The root that is not damaged takes writes.
  EXPECT_EQ(0, registry.set_dword(key, "Added", 1));
  registry.close_key(key);
}
#endif

}  // namespace
}  // namespace vmt::platform
