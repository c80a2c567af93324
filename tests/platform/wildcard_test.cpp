#include "platform/common/wildcard.h"

#include <gtest/gtest.h>

namespace vmt::platform {
namespace {

TEST(Wildcard, WindowsMaskRules) {
  EXPECT_TRUE(wildcard_match("*.*", "Codes.csv"));
  EXPECT_TRUE(wildcard_match("*.*", "README"));  // no dot
  EXPECT_TRUE(wildcard_match("*.*", "."));
  EXPECT_TRUE(wildcard_match("*.*", ".."));
  EXPECT_TRUE(wildcard_match("*.csv", "CODES.CSV"));
  EXPECT_TRUE(wildcard_match("*.csv", "a.b.csv"));
  EXPECT_FALSE(wildcard_match("*.csv", "codes.csv.bak"));
  EXPECT_FALSE(wildcard_match("*.csv", "csv"));
  EXPECT_TRUE(wildcard_match("vmark.ini", "VMARK.INI"));
  EXPECT_TRUE(wildcard_match("?mark.*", "vmark.ini"));
  EXPECT_FALSE(wildcard_match("?mark.*", "mark.ini"));
  EXPECT_TRUE(wildcard_match("*", ""));
  EXPECT_FALSE(wildcard_match("", "a"));
  // Letters of every script in either case; '?' is one character, not one byte.
  EXPECT_TRUE(wildcard_match("\xC3\xA9t\xC3\xA9.csv", "\xC3\x89T\xC3\x89.CSV"));
  EXPECT_TRUE(wildcard_match("?t?.csv", "\xC3\x89T\xC3\x89.csv"));
  EXPECT_FALSE(wildcard_match("??t.csv", "\xC3\x89t.csv"));
}

}  // namespace
}  // namespace vmt::platform
