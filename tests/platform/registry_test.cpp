// The registry contract, run against the Linux store and the Windows registry alike.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/registry.h"
#include "platform/types.h"
#include "support/temp_folder.h"

#ifdef _WIN32
#include <windows.h>

#include "platform/win32/win32_registry.h"
#else
#include "platform/posix/posix_registry.h"
#endif

namespace vmt::platform {
namespace {

namespace ka = key_access;

// Each test works below a key of its own, removed afterwards.
class RegistryContract : public ::testing::Test {
 protected:
  void SetUp() override {
#ifdef _WIN32
    base_ = "SOFTWARE\\VmtRegistryTest\\" + std::to_string(GetCurrentProcessId()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name();
    registry_ = std::make_unique<Win32Registry>();
#else
    base_ = "SOFTWARE\\VmtRegistryTest";
    registry_ = std::make_unique<PosixRegistry>(folder_.path("store"));
#endif
  }
  void TearDown() override {
    registry_->delete_key_tree(RegistryRoot::kCurrentUser, base_);
    registry_->delete_key_tree(RegistryRoot::kLocalMachine, base_);
  }

  RegistryKey create(RegistryRoot root, const std::string& relative) {
    RegistryKey key = 0;
    EXPECT_EQ(0, registry_->create_key(root, base_ + relative, &key));
    return key;
  }
  std::string path(const std::string& relative) const { return base_ + relative; }

  test::TempFolder folder_;
  std::string base_;
  std::unique_ptr<Registry> registry_;
};

TEST_F(RegistryContract, MissingKeysAndValuesGiveNotFound) {
  RegistryKey key = 0;
  EXPECT_EQ(2, registry_->open_key(RegistryRoot::kCurrentUser, path("\\Nowhere"), ka::kRead,
                                   &key));
  key = create(RegistryRoot::kCurrentUser, "\\Options");
  RegistryValue value;
  EXPECT_EQ(2, registry_->query_value(key, "Missing", &value));
  EXPECT_EQ(2, registry_->delete_value(key, "Missing"));
  EXPECT_EQ(0, registry_->close_key(key));
}

TEST_F(RegistryContract, ValuesRoundTripWithTheirTypesAndIgnoreCase) {
  RegistryKey key = create(RegistryRoot::kCurrentUser, "\\Options");
  ASSERT_EQ(0, registry_->set_string(key, "DefSyncProgram", "Plotwise CAD"));
  ASSERT_EQ(0, registry_->set_dword(key, "ShowSeconds", 1));
  ASSERT_EQ(0, registry_->set_string(key, "Empty", ""));
  ASSERT_EQ(0, registry_->set_string(key, "Mapped", "C:\\Daten\\Vermessung \xC3\xA4\xE2\x82\xAC"));
  registry_->close_key(key);

  ASSERT_EQ(0, registry_->open_key(RegistryRoot::kCurrentUser, path("\\OPTIONS"), ka::kRead,
                                   &key));
  RegistryValue value;
  ASSERT_EQ(0, registry_->query_value(key, "defsyncprogram", &value));
  EXPECT_EQ(value_type::kString, value.type);
  EXPECT_EQ("Plotwise CAD", value.text);
  ASSERT_EQ(0, registry_->query_value(key, "SHOWSECONDS", &value));
  EXPECT_EQ(value_type::kDword, value.type);
  EXPECT_EQ(1u, value.number);
  ASSERT_EQ(0, registry_->query_value(key, "Empty", &value));
  EXPECT_EQ("", value.text);
  ASSERT_EQ(0, registry_->query_value(key, "Mapped", &value));
  EXPECT_EQ("C:\\Daten\\Vermessung \xC3\xA4\xE2\x82\xAC", value.text);
  registry_->close_key(key);
}

TEST_F(RegistryContract, LongStringsAreReadWhole) {
  RegistryKey key = create(RegistryRoot::kCurrentUser, "\\Options");
  const std::string long_text(5000, 'x');
  ASSERT_EQ(0, registry_->set_string(key, "Long", long_text));
  RegistryValue value;
  ASSERT_EQ(0, registry_->query_value(key, "Long", &value));
  EXPECT_EQ(long_text, value.text);
  registry_->close_key(key);
}

TEST_F(RegistryContract, DeleteValueRemovesOnlyThatValue) {
  RegistryKey key = create(RegistryRoot::kCurrentUser, "\\Options");
  registry_->set_dword(key, "GuestOnly", 1);
  registry_->set_dword(key, "Other", 2);
  EXPECT_EQ(0, registry_->delete_value(key, "guestonly"));
  RegistryValue value;
  EXPECT_EQ(2, registry_->query_value(key, "GuestOnly", &value));
  EXPECT_EQ(0, registry_->query_value(key, "Other", &value));
  registry_->close_key(key);
}

TEST_F(RegistryContract, SubKeysEnumerateInOrderAndEndWithNoMoreItems) {
  for (const char* name : {"\\Vendor\\Zeta", "\\Vendor\\alpha", "\\Vendor\\Beta"}) {
    registry_->close_key(create(RegistryRoot::kCurrentUser, name));
  }
  RegistryKey key = 0;
  ASSERT_EQ(0, registry_->open_key(RegistryRoot::kCurrentUser, path("\\Vendor"),
                                   ka::kEnumerateSubKeys | ka::kQueryValue, &key));
  std::vector<std::string> names;
  std::string name;
  std::uint32_t index = 0;
  long rc;
  while ((rc = registry_->enum_subkey(key, index++, &name)) == 0) names.push_back(name);
  EXPECT_EQ(259, rc);
  EXPECT_EQ((std::vector<std::string>{"alpha", "Beta", "Zeta"}), names);
  registry_->close_key(key);
}

TEST_F(RegistryContract, AccessRightsAreEnforced) {
  registry_->close_key(create(RegistryRoot::kCurrentUser, "\\Options"));
  RegistryKey key = 0;
  ASSERT_EQ(0, registry_->open_key(RegistryRoot::kCurrentUser, path("\\Options"),
                                   ka::kQueryValue, &key));
  EXPECT_EQ(5, registry_->set_string(key, "Name", "text"));
  EXPECT_EQ(5, registry_->set_dword(key, "Name", 1));
  registry_->close_key(key);
  ASSERT_EQ(0, registry_->open_key(RegistryRoot::kCurrentUser, path("\\Options"),
                                   ka::kSetValue, &key));
  EXPECT_EQ(0, registry_->set_string(key, "Name", "text"));
  registry_->close_key(key);
}

TEST_F(RegistryContract, TheTwoRootsAreSeparate) {
  RegistryKey key = create(RegistryRoot::kLocalMachine, "\\Machine");
  registry_->set_string(key, "Where", "machine");
  registry_->close_key(key);
  EXPECT_EQ(2, registry_->open_key(RegistryRoot::kCurrentUser, path("\\Machine"), ka::kRead,
                                   &key));
  ASSERT_EQ(0, registry_->open_key(RegistryRoot::kLocalMachine, path("\\machine"), ka::kRead,
                                   &key));
  RegistryValue value;
  EXPECT_EQ(0, registry_->query_value(key, "Where", &value));
  EXPECT_EQ("machine", value.text);
  registry_->close_key(key);
}

// Both builds keep HKLM\SOFTWARE in the 32-bit view; the 64-bit view, which a
// 64-bit registry editor shows without "WOW6432Node", is another key.
TEST_F(RegistryContract, TheMachinesSoftwareIsThe32BitViewUnlessThe64BitOneIsAsked) {
  RegistryKey key = create(RegistryRoot::kLocalMachine, "\\Options");
  registry_->close_key(key);
  EXPECT_EQ(0, registry_->open_key(RegistryRoot::kLocalMachine, path("\\Options"),
                                   ka::kRead | ka::kView32, &key));
  registry_->close_key(key);
  EXPECT_EQ(2, registry_->open_key(RegistryRoot::kLocalMachine, path("\\Options"),
                                   ka::kRead | ka::kView64, &key));
}

TEST_F(RegistryContract, DeleteKeyTreeRemovesEverythingBelow) {
  registry_->close_key(create(RegistryRoot::kCurrentUser, "\\Tree\\A\\B"));
  EXPECT_EQ(0, registry_->delete_key_tree(RegistryRoot::kCurrentUser, path("\\Tree")));
  RegistryKey key = 0;
  EXPECT_EQ(2, registry_->open_key(RegistryRoot::kCurrentUser, path("\\Tree\\A"), ka::kRead,
                                   &key));
  EXPECT_EQ(2, registry_->delete_key_tree(RegistryRoot::kCurrentUser, path("\\Tree")));
}

}  // namespace
}  // namespace vmt::platform
