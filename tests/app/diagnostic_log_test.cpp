#include "app/diagnostic_log.h"

#include <gtest/gtest.h>

#include "support/fakes.h"

namespace vmt::app {
namespace {

TEST(DiagnosticLog, ModuleNameIsDotBackslashAndStem) {
  EXPECT_EQ(log_module_name("/work/src/ui/transfer_dlg.cpp"), ".\\transfer_dlg");
  EXPECT_EQ(log_module_name("C:\\src\\app\\dates.cpp"), ".\\dates");
  EXPECT_EQ(log_module_name("plain"), ".\\plain");
  test::RecordingLog log;
  VMT_LOG_POINT(log);
  ASSERT_EQ(log.count(), 1u);
  EXPECT_EQ(log.entries[0].module, ".\\diagnostic_log_test");
}

}  // namespace
}  // namespace vmt::app
