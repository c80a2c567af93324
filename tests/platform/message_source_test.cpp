// The text form of string tables: what the Linux build reads as a translation.
#include <gtest/gtest.h>

#include "platform/common/message_source.h"
#include "support/temp_folder.h"

#ifndef _WIN32
#include "platform/posix/posix_resources.h"
#endif

namespace vmt::platform {
namespace {

TEST(MessageSource, ParsesEscapesAndListsWhatItCannotRead) {
  std::vector<int> bad;
  const auto texts = parse_message_source(
      "\xEF\xBB\xBF# comment\r\n"
      "50000\tVeldmark\r\n"
      "50057\tError running this command:\\n'%s'\\nError R5LL33QP\n"
      "50100\ta \\\"quoted\\\" back\\\\slash\\tand tab  \n"
      "\n"
      "50000\tduplicate\n"
      "x5001\tnot a number\n"
      "50002\tbad \\q escape\n"
      "50003\tbare \" quote\n"
      "50004\t\n"
      "999999\ttoo big\n",
      &bad);
  ASSERT_EQ(3u, texts.size());
  EXPECT_EQ("Veldmark", texts.at(50000));
  EXPECT_EQ("Error running this command:\n'%s'\nError R5LL33QP", texts.at(50057));
  EXPECT_EQ("a \"quoted\" back\\slash\tand tab  ", texts.at(50100));
  EXPECT_EQ((std::vector<int>{6, 7, 8, 9, 10, 11}), bad);
}

#ifndef _WIN32
TEST(PosixResourceLoader, ALibraryIsAMessageFile) {
  test::TempFolder folder;
  const std::string path = folder.write_file("VmTransferDEU.dll", "50347\tSYNC BEENDET.\n");
  PosixResourceLoader loader;
  auto table = loader.load_library(path);
  ASSERT_NE(nullptr, table);
  std::string text;
  EXPECT_TRUE(table->find(50347, &text));
  EXPECT_EQ("SYNC BEENDET.", text);
  EXPECT_FALSE(table->find(50000, &text));
  EXPECT_EQ(nullptr, loader.load_library(folder.path("missing.dll")));
  EXPECT_EQ(nullptr, loader.own_table());
}
#endif

}  // namespace
}  // namespace vmt::platform
