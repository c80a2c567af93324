#include "platform/common/path.h"

#include <gtest/gtest.h>

namespace vmt::platform::path {
namespace {

const std::string S(1, kSeparator);

TEST(Path, TrailingSeparators) {
  EXPECT_EQ(with_trailing_separator("a" + S + S), "a" + S);
  EXPECT_EQ(with_trailing_separator("a"), "a" + S);
  EXPECT_EQ(without_trailing_separators("a" + S + S), "a");
  EXPECT_TRUE(ends_with_separator("a" + S));
  EXPECT_FALSE(ends_with_separator(""));
}

TEST(Path, JoinAndSplit) {
  EXPECT_EQ(join("dir", "f.txt"), "dir" + S + "f.txt");
  EXPECT_EQ(join("dir" + S, "f.txt"), "dir" + S + "f.txt");
  EXPECT_EQ(file_name("a" + S + "b" + S + "c.csv"), "c.csv");
  EXPECT_EQ(file_name("c.csv"), "c.csv");
  EXPECT_EQ(folder_of("a" + S + "b.txt"), "a" + S);
  EXPECT_EQ(folder_of("b.txt"), "");
}

// The root of a network share has no level above it: its server is no folder.
TEST(Path, ShareRoots) {
  const std::string server = S + S + "server";
  EXPECT_TRUE(is_share_root(server + S + "share"));
  EXPECT_TRUE(is_share_root(server + S + "share" + S));
  EXPECT_FALSE(is_share_root(server + S + "share" + S + "jobs"));
  EXPECT_FALSE(is_share_root(server));
  EXPECT_FALSE(is_share_root(server + S + S + "share"));
  EXPECT_FALSE(is_share_root(S + "data" + S + "jobs"));
  EXPECT_FALSE(is_share_root(S));
}

#ifdef _WIN32
TEST(Path, WindowsAcceptsSlashes) {
  EXPECT_TRUE(is_separator('/'));
  EXPECT_EQ(file_name("C:/x/y.txt"), "y.txt");
}
#endif

}  // namespace
}  // namespace vmt::platform::path
