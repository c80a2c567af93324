#include <gtest/gtest.h>

#include <string>

#include "build_platform.h"
#include "platform/common/path.h"
#include "support/temp_folder.h"

namespace vmt::test {
namespace {

namespace error = platform::error;
using platform::ShellFileInfo;
using platform::ShellFolder;

class ShellTest : public ::testing::Test {
 protected:
  // The type name of a file asked for by name, or "<failed>".
  std::string type_of(const std::string& name, bool by_name, std::uint32_t attributes = 0) {
    ShellFileInfo info;
    if (!shell.get_file_info(name, by_name, attributes, &info)) return "<failed>";
    shell.destroy_icon(info.icon);
    return info.type_name;
  }

  TempFolder temp;  // first: the Linux shell's folders lie in it
#ifdef _WIN32
  platform::Win32Shell shell;
#else
  platform::PosixShell shell{platform::PosixShellFolders{
      temp.path("home/data"), temp.path("home/data/vmtransfer/ProgramData"),
      temp.path("home/config/vmtransfer/Windows"), "/usr/lib"}};
#endif
  BuildFiles files;
};

TEST_F(ShellTest, FolderTreesAreMadeLevelByLevelAndAFileIsNeverTakenForAFolder) {
  std::string deep = temp.path("one");
  while (deep.size() < 300) deep = platform::path::join(deep, "level of a long tree");
  EXPECT_EQ(shell.create_folder_tree(deep), 0);
  EXPECT_TRUE(files.is_folder(deep));
  EXPECT_EQ(shell.create_folder_tree(deep + platform::path::kSeparator),
            static_cast<int>(error::kAlreadyExists));
  EXPECT_EQ(shell.create_folder_tree(temp.path("one/four")), 0);

  temp.write_file("blocked", "file");
  EXPECT_EQ(shell.create_folder_tree(temp.path("blocked")), static_cast<int>(error::kDirectory));
  const int middle = shell.create_folder_tree(temp.path("blocked/below"));
  EXPECT_TRUE(middle == static_cast<int>(error::kPathNotFound) ||
              middle == static_cast<int>(error::kDirectory))
      << middle;
  EXPECT_FALSE(files.is_folder(temp.path("blocked/below")));
}

TEST_F(ShellTest, SpecialFoldersAreMadeAndHaveNoTrailingSeparator) {
  for (const ShellFolder folder : {ShellFolder::kUserAppData, ShellFolder::kCommonAppData,
                                   ShellFolder::kWindows, ShellFolder::kSystem}) {
    std::string path;
    ASSERT_TRUE(shell.get_folder(folder, true, &path)) << static_cast<int>(folder);
    EXPECT_FALSE(platform::path::ends_with_separator(path)) << path;
    EXPECT_TRUE(files.is_folder(path)) << path;
  }
}

TEST_F(ShellTest, TypeNamesComeForNamesFilesAndFoldersButNotForMissingOnes) {
  EXPECT_NE(type_of("*.csv", true), "");
  EXPECT_NE(type_of(temp.write_file("codes.csv", "a,b\n"), false), "");
  EXPECT_NE(type_of(temp.path(), false), "");
  EXPECT_EQ(type_of(temp.path("missing.csv"), false), "<failed>");
  // Asked by name and attributes, a folder is never looked at (on a slow
  // share, it costs nothing): the answer is the same whether it exists or not.
  EXPECT_EQ(type_of(temp.path(), true, platform::attr::kDirectory),
            type_of(temp.path("no such folder"), true, platform::attr::kDirectory));
#ifdef _WIN32
  ShellFileInfo info;
  ASSERT_TRUE(shell.get_file_info("*.csv", true, 0, &info));
  EXPECT_NE(info.icon, 0u);
  shell.destroy_icon(info.icon);
  const std::string text = shell.system_error_text(error::kFileNotFound);
  ASSERT_FALSE(text.empty());
  EXPECT_TRUE(text.back() != '\n' && text.back() != '\r');
#else
  EXPECT_EQ(type_of("*.csv", true), "CSV File");
  EXPECT_EQ(type_of("/x/Job.v1.Dwg", true), "DWG File");
  EXPECT_EQ(type_of("/x.d/README", true), "File");
  EXPECT_EQ(type_of(temp.path(), false), "File Folder");
  EXPECT_EQ(type_of("/usr/lib", true, platform::attr::kDirectory), "File Folder");
  EXPECT_EQ(shell.system_error_text(2), "");
  EXPECT_EQ(shell.create_folder_tree("relative/path"), static_cast<int>(error::kBadPathName));
#endif
}

}  // namespace
}  // namespace vmt::test
