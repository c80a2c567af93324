// The catalogue's data and the installed tests that read the local machine.
#include "settings/catalogue.h"

#include <gtest/gtest.h>

#include <set>

#include "settings/installed_products.h"
#include "support/fake_run.h"

namespace vmt::settings {
namespace {

using test::FaultRegistry;
using Call = FaultRegistry::Call;

const CatalogueRow& row(int number) { return catalogue_row(static_cast<std::size_t>(number - 1)); }

TEST(Catalogue, RowsAreCompleteAndNamesExact) {
  std::set<std::string> names;
  for (const CatalogueRow* r = catalogue_begin(); r != catalogue_end(); ++r) {
    EXPECT_EQ(r - catalogue_begin() + 1, r->row);
    names.insert(r->name);
    if (r->row == 1) continue;
    // Every program has one executable, Featlink folder, window test and installed test.
    EXPECT_NE(std::string(), r->executable) << r->name;
    EXPECT_NE(std::string(), r->featlink) << r->name;
    EXPECT_NE(WindowTest::kNone, r->window_test) << r->name;
    EXPECT_NE(InstalledTest::kNone, r->installed_test) << r->name;
    EXPECT_EQ(r->has_data_folder(), r->create_message != nullptr) << r->name;
    EXPECT_NE(0, r->options_code) << r->name;
  }
  EXPECT_EQ(kCatalogueSize, names.size());
  EXPECT_STREQ(program::kUserDefined, row(1).name);
  EXPECT_TRUE(row(1).is_user_defined());

  EXPECT_EQ(&row(13), find_program("Veldmark CAD2010"));
  EXPECT_EQ(nullptr, find_program("veldmark cad2010"));
  EXPECT_EQ(nullptr, find_program("user defined"));
  EXPECT_TRUE(is_catalogue_name("user defined"));
  EXPECT_TRUE(is_catalogue_name("PLUGCAD2012 FOR AUTOCAD 2012"));
  EXPECT_FALSE(is_catalogue_name("Plugcad2012 for AutoCAD"));

  // The families the folder rules rely on.
  for (int number : {2, 3, 4, 9, 10, 20, 27, 36}) EXPECT_FALSE(row(number).has_data_folder());
  for (int number : {11, 19, 21, 26, 37, 42}) EXPECT_TRUE(row(number).has_data_folder());
  EXPECT_STREQ(row(37).data_folder, row(38).data_folder);
  EXPECT_STREQ(row(38).install_location, row(39).install_location);
  EXPECT_STREQ("Forensic", row(20).featlink);
  EXPECT_STREQ("FORENSIC", row(21).featlink);
}

TEST(Catalogue, RenamingAFilledRecordIsLogged) {
  test::RecordingLog log;
  C_directory_options record;
  record.set_name("Vistaplot", log);
  EXPECT_EQ(0u, log.count());
  record.set_filled(true);
  record.set_install_dir("C:\\V\\");
  record.set_name("VMX 2001", log);
  EXPECT_EQ(1u, log.count());
  EXPECT_EQ("VMX 2001", record.name());
  const C_directory_options copy = record;
  record.clear();
  EXPECT_EQ("", record.name());
  EXPECT_FALSE(record.is_filled());
  EXPECT_EQ("C:\\V\\", copy.install_dir());
}

TEST(InstalledProducts, SubKeysAreMatchedInAnyCase) {
  test::FakeRun run;
  EXPECT_FALSE(is_installed(run.context, row(13)));
  run.arrange("SOFTWARE\\Veldmark\\vmcad2010");
  EXPECT_TRUE(is_installed(run.context, row(13)));
  EXPECT_FALSE(is_installed(run.context, row(12)));
  EXPECT_TRUE(is_installed(run.context, row(1)));

  std::vector<std::string> names{"kept"};
  run.arrange("SOFTWARE\\Veldmark\\Vistaplot2006");
  list_vendor_subkeys(run.context, "SOFTWARE\\Veldmark", &names);
  EXPECT_EQ((std::vector<std::string>{"kept", "Vistaplot2006", "vmcad2010"}), names);
  list_vendor_subkeys(run.context, "SOFTWARE\\Navira", &names);
  EXPECT_EQ(3u, names.size());
  EXPECT_TRUE(run.boxes.shown.empty());
}

TEST(InstalledProducts, AKeyThatExistsButCannotBeOpenedCountsOnlyForTheSubKeyTest) {
  test::FakeRun run;
  run.arrange("SOFTWARE\\Veldmark\\VMCAD2010");
  run.registry.fail(Call::kOpen, "SOFTWARE\\Veldmark\\VMCAD2010", 5, {}, 10);
  EXPECT_TRUE(is_installed(run.context, row(13)));

  const std::string key = "SOFTWARE\\Veldmark\\Nestcad 2012";
  run.arrange(key);
  run.registry.fail(Call::kOpen, key, 5);
  EXPECT_FALSE(is_installed(run.context, row(42)));
  EXPECT_EQ("Error 6REG5FUN-8XRJNY6-86\nopening for setting\nHKEY_LOCAL_MACHINE\n" + key +
                "\n5\nSystem error 5.",
            run.last_text());
  run.registry.fail(Call::kClose, key, 6);
  EXPECT_TRUE(is_installed(run.context, row(42)));
  EXPECT_EQ("Error 8REG5FUN-8L1WMK87, closing reg key\n6\nSystem error 6.", run.last_text());

  run.registry.fail(Call::kClose, "SOFTWARE\\Veldmark", 6);
  EXPECT_TRUE(is_installed(run.context, row(13)));
  EXPECT_EQ("Error MSREG-R51ERY4, closing reg key\n6\nSystem error 6.", run.last_text());
}

TEST(InstalledProducts, VistaplotProIsFoundThroughEitherKeySilently) {
  test::FakeRun run;
  EXPECT_FALSE(is_installed(run.context, row(4)));
  run.arrange("SOFTWARE\\Veldmark Software Inc.\\Vistaplot Pro SP2");
  EXPECT_TRUE(is_installed(run.context, row(4)));
  // Lite's key is the one without the comma.
  run.arrange("SOFTWARE\\Veldmark Software, Inc.\\Veldmark Vistaplot Lite");
  EXPECT_FALSE(is_installed(run.context, row(3)));
  run.arrange("SOFTWARE\\Veldmark Software Inc.\\Veldmark Vistaplot Lite");
  EXPECT_TRUE(is_installed(run.context, row(3)));
  EXPECT_TRUE(run.boxes.shown.empty());
  EXPECT_EQ(0u, run.registry.open_count());
}

TEST(InstalledProducts, AnUnreadableListingIsLoggedAndKeepsWhatWasListed) {
  test::FakeRun run;
  run.arrange("SOFTWARE\\Harlen Geodetics\\Scenemark2010");
  run.arrange("SOFTWARE\\Harlen Geodetics\\ScenemarkPro2010");
  run.registry.fail(Call::kEnum, "SOFTWARE\\Harlen Geodetics", 5);
  EXPECT_FALSE(is_installed(run.context, row(25)));
  EXPECT_EQ(1u, run.log.count());
  EXPECT_TRUE(is_installed(run.context, row(26)));
}

}  // namespace
}  // namespace vmt::settings
