// The catalogue's names and the installed tests that read the local machine.
#include "settings/catalogue.h"

#include <gtest/gtest.h>

#include "settings/installed_products.h"
#include "support/fake_run.h"

namespace vmt::settings {
namespace {

using Call = test::FaultRegistry::Call;

const CatalogueRow& row(int number) { return catalogue_row(static_cast<std::size_t>(number - 1)); }

TEST(Catalogue, EveryProgramRowIsCompleteAndNamesFromTheRegistryMatchInAnyCase) {
  for (const CatalogueRow* r = catalogue_begin() + 1; r != catalogue_end(); ++r) {
    SCOPED_TRACE(r->name);
    EXPECT_NE(std::string(), r->executable);
    EXPECT_NE(std::string(), r->featlink);
    EXPECT_NE(InstalledTest::kNone, r->installed_test);
    EXPECT_EQ(r->has_data_folder(), r->create_message != nullptr);
  }
  EXPECT_EQ(&row(13), find_program("Veldmark CAD2010"));
  EXPECT_EQ(nullptr, find_program("veldmark cad2010"));
  EXPECT_TRUE(is_catalogue_name("PLUGCAD2012 FOR AUTOCAD 2012"));
  EXPECT_FALSE(is_catalogue_name("Plugcad2012 for AutoCAD"));
}

TEST(InstalledProducts, KeysAreMatchedInAnyCaseAndAFailureToReadThemIsShownOrLogged) {
  test::FakeRun run;
  EXPECT_FALSE(is_installed(run.context, row(13)));
  run.arrange("SOFTWARE\\Veldmark\\vmcad2010");
  EXPECT_TRUE(is_installed(run.context, row(13)));
  EXPECT_FALSE(is_installed(run.context, row(12)));
  EXPECT_TRUE(is_installed(run.context, row(1)));
  // Vistaplot Pro is found through either key; Lite's key is the one without the comma.
  run.arrange("SOFTWARE\\Veldmark Software Inc.\\Vistaplot Pro SP2");
  EXPECT_TRUE(is_installed(run.context, row(4)));
  run.arrange("SOFTWARE\\Veldmark Software, Inc.\\Veldmark Vistaplot Lite");
  EXPECT_FALSE(is_installed(run.context, row(3)));
  run.arrange("SOFTWARE\\Veldmark Software Inc.\\Veldmark Vistaplot Lite");
  EXPECT_TRUE(is_installed(run.context, row(3)));
  EXPECT_TRUE(run.boxes.shown.empty());

  // A key that exists but cannot be opened counts only for the sub-key test.
  run.registry.fail(Call::kOpen, "SOFTWARE\\Veldmark\\vmcad2010", 5, {}, 10);
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

  // An unreadable listing is logged and keeps what was listed.
  run.arrange("SOFTWARE\\Harlen Geodetics\\Scenemark2010");
  run.arrange("SOFTWARE\\Harlen Geodetics\\ScenemarkPro2010");
  run.registry.fail(Call::kEnum, "SOFTWARE\\Harlen Geodetics", 5);
  run.log.clear();
  EXPECT_FALSE(is_installed(run.context, row(25)));
  EXPECT_EQ(1u, run.log.count());
  EXPECT_TRUE(is_installed(run.context, row(26)));
  EXPECT_EQ(0u, run.registry.open_count());
}

}  // namespace
}  // namespace vmt::settings
