// Rules of the registry model that the contract tests do not reach.
#include <gtest/gtest.h>

#include "platform/common/memory_registry.h"
#include "platform/types.h"

namespace vmt::platform {
namespace {

TEST(MemoryRegistry, HandlesOutliveChangesAndReportDeletedKeys) {
  MemoryRegistry registry;
  RegistryKey key = 0;
  ASSERT_EQ(0, registry.create_key(RegistryRoot::kLocalMachine, "SOFTWARE\\A\\B", &key));
  RegistryKey reader = 0;
  ASSERT_EQ(0, registry.open_key(RegistryRoot::kLocalMachine, "software\\a\\b",
                                 key_access::kRead, &reader));
  ASSERT_EQ(0, registry.set_string(key, "Name", "one"));
  RegistryValue value;
  EXPECT_EQ(0, registry.query_value(reader, "NAME", &value));
  EXPECT_EQ("one", value.text);

  ASSERT_EQ(0, registry.delete_key_tree(RegistryRoot::kLocalMachine, "SOFTWARE\\A"));
  EXPECT_EQ(registry_error::kKeyDeleted, registry.query_value(reader, "Name", &value));
  EXPECT_EQ(registry_error::kKeyDeleted, registry.set_string(key, "Name", "two"));
  EXPECT_EQ(0, registry.close_key(reader));
  EXPECT_EQ(6, registry.close_key(reader));
  EXPECT_EQ(0, registry.close_key(key));
}

TEST(MemoryRegistry, KeepsTheCaseFirstWrittenAndEnumeratesAsWindows) {
  MemoryRegistry registry;
  RegistryKey key = 0;
  registry.create_key(RegistryRoot::kCurrentUser, "Vendor\\Plotwise", &key);
  registry.set_string(key, "InstallDir", "first");
  registry.set_string(key, "INSTALLDIR", "second");
  registry.close_key(key);
  registry.create_key(RegistryRoot::kCurrentUser, "VENDOR\\plotwise", &key);
  registry.close_key(key);
  // '_' sorts after the letters when names are compared upper-cased, as Windows does.
  registry.create_key(RegistryRoot::kCurrentUser, "Vendor\\_Under", &key);
  registry.close_key(key);

  RegTextDocument saved = registry.save(RegistryRoot::kCurrentUser);
  ASSERT_EQ(3u, saved.keys.size());
  EXPECT_EQ("HKEY_CURRENT_USER\\Vendor", saved.keys[0].path);
  EXPECT_EQ("HKEY_CURRENT_USER\\Vendor\\Plotwise", saved.keys[1].path);
  ASSERT_EQ(1u, saved.keys[1].values.size());
  EXPECT_EQ("InstallDir", saved.keys[1].values[0].name);
  EXPECT_EQ("second", saved.keys[1].values[0].text);
  EXPECT_EQ("HKEY_CURRENT_USER\\Vendor\\_Under", saved.keys[2].path);
}

TEST(MemoryRegistry, LoadKeepsOnlyItsOwnRootAndSaysSo) {
  RegTextDocument document;
  document.keys.push_back({"HKEY_LOCAL_MACHINE\\SOFTWARE\\Kept", {}});
  document.keys.push_back({"HKEY_CURRENT_USER\\SOFTWARE\\Other", {}});
  MemoryRegistry registry;
  EXPECT_FALSE(registry.load(RegistryRoot::kLocalMachine, document));
  RegistryKey key = 0;
  EXPECT_EQ(0, registry.open_key(RegistryRoot::kLocalMachine, "SOFTWARE\\Kept",
                                 key_access::kRead, &key));
  EXPECT_EQ(2, registry.open_key(RegistryRoot::kLocalMachine, "SOFTWARE\\Other",
                                 key_access::kRead, &key));
}

TEST(MemoryRegistry, EnumerationNeedsItsRight) {
  MemoryRegistry registry;
  RegistryKey key = 0;
  registry.create_key(RegistryRoot::kLocalMachine, "SOFTWARE\\Vendor\\Product", &key);
  registry.close_key(key);
  ASSERT_EQ(0, registry.open_key(RegistryRoot::kLocalMachine, "SOFTWARE\\Vendor",
                                 key_access::kQueryValue, &key));
  std::string name;
  EXPECT_EQ(5, registry.enum_subkey(key, 0, &name));
  registry.close_key(key);
}

}  // namespace
}  // namespace vmt::platform
