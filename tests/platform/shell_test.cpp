#include <gtest/gtest.h>

#include <cstdlib>
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

TEST_F(ShellTest, FolderTreesAreMadeLevelByLevel) {
  const std::string deep = temp.path("one/two/three");
  EXPECT_EQ(shell.create_folder_tree(deep), 0);
  EXPECT_TRUE(files.is_folder(deep));
  EXPECT_EQ(shell.create_folder_tree(deep), static_cast<int>(error::kAlreadyExists));
  EXPECT_EQ(shell.create_folder_tree(deep + platform::path::kSeparator),
            static_cast<int>(error::kAlreadyExists));
  EXPECT_EQ(shell.create_folder_tree(temp.path("one/four")), 0);

  // A file where a folder should be is never taken for the folder.
  temp.write_file("blocked", "file");
  const int last = shell.create_folder_tree(temp.path("blocked"));
  EXPECT_EQ(last, static_cast<int>(error::kDirectory));
  const int middle = shell.create_folder_tree(temp.path("blocked/below"));
  EXPECT_TRUE(middle == static_cast<int>(error::kPathNotFound) ||
              middle == static_cast<int>(error::kDirectory))
      << middle;
  EXPECT_FALSE(files.is_folder(temp.path("blocked/below")));
}

TEST_F(ShellTest, LongFolderTrees) {
  std::string deep = temp.path();
  while (deep.size() < 300) deep = platform::path::join(deep, "level of a long tree");
  EXPECT_EQ(shell.create_folder_tree(deep), 0);
  EXPECT_TRUE(files.is_folder(deep));
  EXPECT_EQ(shell.create_folder_tree(deep), static_cast<int>(error::kAlreadyExists));
}

TEST_F(ShellTest, SpecialFoldersHaveNoTrailingSeparatorAndCanBeCreated) {
  for (const ShellFolder folder : {ShellFolder::kUserAppData, ShellFolder::kCommonAppData,
                                   ShellFolder::kWindows, ShellFolder::kSystem}) {
    std::string path;
    ASSERT_TRUE(shell.get_folder(folder, true, &path)) << static_cast<int>(folder);
    EXPECT_FALSE(path.empty());
    EXPECT_FALSE(platform::path::ends_with_separator(path)) << path;
    EXPECT_TRUE(files.is_folder(path)) << path;
  }
}

TEST_F(ShellTest, TypeNamesAndIcons) {
  ShellFileInfo info;
  ASSERT_TRUE(shell.get_file_info("*.csv", true, 0, &info));
  EXPECT_FALSE(info.type_name.empty());
  shell.destroy_icon(info.icon);
  const std::string file_path = temp.write_file("codes.csv", "a,b\n");
  ASSERT_TRUE(shell.get_file_info(file_path, false, 0, &info));
  EXPECT_FALSE(info.type_name.empty());
  shell.destroy_icon(info.icon);
  ASSERT_TRUE(shell.get_file_info(temp.path(), false, 0, &info));
  EXPECT_FALSE(info.type_name.empty());
  shell.destroy_icon(info.icon);
  EXPECT_FALSE(shell.get_file_info(temp.path("missing.csv"), false, 0, &info));
  // Asked by name and attributes, a folder is never looked at: the answer
  // is the same whether it exists or not (on a slow share, it costs nothing).
  ShellFileInfo folder;
  ASSERT_TRUE(shell.get_file_info(temp.path(), true, platform::attr::kDirectory, &folder));
  shell.destroy_icon(folder.icon);
  ASSERT_TRUE(shell.get_file_info(temp.path("no such folder"), true, platform::attr::kDirectory,
                                  &info));
  EXPECT_EQ(folder.type_name, info.type_name);
  shell.destroy_icon(info.icon);
#ifdef _WIN32
  ASSERT_TRUE(shell.get_file_info("*.csv", true, 0, &info));
  EXPECT_NE(info.icon, 0u);
  shell.destroy_icon(info.icon);
#endif
}

#ifdef _WIN32

TEST_F(ShellTest, SystemErrorTextsEndWithoutLineBreaks) {
  const std::string text = shell.system_error_text(error::kFileNotFound);
  ASSERT_FALSE(text.empty());
  EXPECT_NE(text.back(), '\n');
  EXPECT_NE(text.back(), '\r');
}

#else

TEST_F(ShellTest, LinuxTypeNamesFollowTheExtension) {
  ShellFileInfo info;
  ASSERT_TRUE(shell.get_file_info("*.csv", true, 0, &info));
  EXPECT_EQ(info.type_name, "CSV File");
  EXPECT_EQ(info.icon, 0u);
  ASSERT_TRUE(shell.get_file_info("/x/Job.v1.Dwg", true, 0, &info));
  EXPECT_EQ(info.type_name, "DWG File");
  ASSERT_TRUE(shell.get_file_info("/x.d/README", true, 0, &info));
  EXPECT_EQ(info.type_name, "File");
  ASSERT_TRUE(shell.get_file_info("/usr/lib", true, platform::attr::kDirectory, &info));
  EXPECT_EQ(info.type_name, "File Folder");
  ASSERT_TRUE(shell.get_file_info(temp.path(), false, 0, &info));
  EXPECT_EQ(info.type_name, "File Folder");
  EXPECT_EQ(shell.system_error_text(2), "");
  EXPECT_EQ(shell.create_folder_tree("relative/path"), static_cast<int>(error::kBadPathName));
}

TEST(PosixShellFolders, ComeFromTheXdgVariablesOrTheHomeFolder) {
  const auto keep = [](const char* name) {
    const char* value = std::getenv(name);
    return std::make_pair(value != nullptr, std::string(value != nullptr ? value : ""));
  };
  const auto restore = [](const char* name, const std::pair<bool, std::string>& saved) {
    if (saved.first) {
      setenv(name, saved.second.c_str(), 1);
    } else {
      unsetenv(name);
    }
  };
  const auto home = keep("HOME"), data = keep("XDG_DATA_HOME"), config = keep("XDG_CONFIG_HOME");

  setenv("XDG_DATA_HOME", "/d/share/", 1);
  setenv("XDG_CONFIG_HOME", "/c", 1);
  auto folders = platform::PosixShellFolders::from_environment();
  EXPECT_EQ(folders.user_appdata, "/d/share");
  EXPECT_EQ(folders.common_appdata, "/d/share/vmtransfer/ProgramData");
  EXPECT_EQ(folders.windows, "/c/vmtransfer/Windows");
  EXPECT_EQ(folders.system, "/usr/lib");

  // Relative values are ignored, as the XDG rules say.
  setenv("XDG_DATA_HOME", "relative", 1);
  unsetenv("XDG_CONFIG_HOME");
  setenv("HOME", "/home/surveyor", 1);
  folders = platform::PosixShellFolders::from_environment();
  EXPECT_EQ(folders.user_appdata, "/home/surveyor/.local/share");
  EXPECT_EQ(folders.windows, "/home/surveyor/.config/vmtransfer/Windows");

  restore("HOME", home);
  restore("XDG_DATA_HOME", data);
  restore("XDG_CONFIG_HOME", config);

  platform::PosixShell empty{platform::PosixShellFolders{}};
  std::string path = "unchanged";
  EXPECT_FALSE(empty.get_folder(ShellFolder::kUserAppData, true, &path));
  EXPECT_EQ(path, "unchanged");
}

#endif

}  // namespace
}  // namespace vmt::test
