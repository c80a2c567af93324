#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "build_platform.h"
#include "platform/common/path.h"
#include "support/temp_folder.h"

namespace vmt::test {
namespace {

using namespace platform;
namespace fs = std::filesystem;
constexpr auto kRead = FileAccess::kRead;
constexpr auto kReadWrite = FileAccess::kReadWrite;
constexpr auto kExisting = FileDisposition::kOpenExisting;
constexpr auto kCreateAlways = FileDisposition::kCreateAlways;

class DesktopFilesTest : public ::testing::Test {
 protected:
  std::string in(const std::string& relative) { return temp.path(relative); }

  // Every entry of a search, by name, and the first one's name.
  std::map<std::string, FindData> find_all(const std::string& pattern, std::string* first = nullptr) {
    std::map<std::string, FindData> found;
    FindData data;
    const platform::FindHandle search = files.find_first(pattern, &data);
    if (search == kInvalidFind) return found;
    if (first) *first = data.name;
    do {
      found[data.name] = data;
    } while (files.find_next(search, &data));
    EXPECT_EQ(files.last_error(), error::kNoMoreFiles);
    EXPECT_TRUE(files.find_close(search));
    return found;
  }
  std::string read_whole(const std::string& path) {
    const FileHandle file = files.open_file(path, kRead, kExisting);
    if (file == kInvalidFile) return "<cannot open>";
    std::string text;
    char block[4096];
    std::uint32_t got = 0;
    while (files.read_file(file, block, sizeof block, &got) && got > 0) text.append(block, got);
    files.close_file(file);
    return text;
  }
  bool write_whole(const std::string& path, const std::string& text) {
    const FileHandle file = files.open_file(path, kReadWrite, kCreateAlways);
    if (file == kInvalidFile) return false;
    std::uint32_t put = 0;
    const bool ok =
        files.write_file(file, text.data(), static_cast<std::uint32_t>(text.size()), &put);
    return files.close_file(file) && ok && put == text.size();
  }

  TempFolder temp;
  BuildFiles files;
};

TEST_F(DesktopFilesTest, SearchesMatchMasksWithoutCaseAndTellAMissingFolderFromNoMatch) {
  temp.write_file("Survey.CSV", "abc");
  temp.write_file("codes.csv", "");
  temp.write_file("notes.csv.txt", "x");
  temp.write_file("README", "12345");
  temp.write_file("sub/inner.csv", "");
  std::string first;
  const auto all = find_all(in("*.*"), &first);
  // "." and ".." come first, as the list filling expects to skip them there.
  EXPECT_EQ(first, ".");
  std::vector<std::string> names;
  for (const auto& entry : all) names.push_back(entry.first);
  EXPECT_EQ(names, (std::vector<std::string>{".", "..", "README", "Survey.CSV", "codes.csv",
                                             "notes.csv.txt", "sub"}));
  EXPECT_TRUE(all.at("..").attributes & attr::kDirectory);
  EXPECT_TRUE(all.at("sub").attributes & attr::kDirectory);
  EXPECT_EQ(all.at("README").attributes & (attr::kDirectory | attr::kReadOnly), 0u);
  EXPECT_EQ(all.at("README").size, 5u);
  EXPECT_NE(all.at("README").times.last_write, 0u);
  const auto csv = find_all(in("*.csv"));
  EXPECT_EQ(csv.size(), 2u);
  EXPECT_TRUE(csv.count("Survey.CSV") && csv.count("codes.csv"));

  FindData data;
  EXPECT_EQ(files.find_first(in("none/*.*"), &data), kInvalidFind);
  EXPECT_EQ(files.last_error(), error::kPathNotFound);
  EXPECT_EQ(files.find_first(in("*.dwg"), &data), kInvalidFind);
  EXPECT_EQ(files.last_error(), error::kFileNotFound);
  EXPECT_FALSE(files.find_next(12345, &data));
  EXPECT_EQ(files.last_error(), error::kInvalidHandle);
  EXPECT_FALSE(files.find_close(12345));
}

TEST_F(DesktopFilesTest, BlocksReadBackAsWrittenAndHandlesRefuseWhatTheyWereNotOpenedFor) {
  std::string text(10000, '\0');
  for (std::size_t i = 0; i < text.size(); ++i) text[i] = static_cast<char>(i * 7 % 256);
  ASSERT_TRUE(write_whole(in("blocks.bin"), text));
  const FileHandle back = files.open_file(in("blocks.bin"), kRead, kExisting);
  ASSERT_NE(back, kInvalidFile);
  std::vector<std::uint32_t> sizes;
  std::string read_back;
  char block[4096];
  std::uint32_t got = 0;
  do {
    ASSERT_TRUE(files.read_file(back, block, sizeof block, &got));
    sizes.push_back(got);
    read_back.append(block, got);
  } while (got > 0);
  EXPECT_EQ(sizes, (std::vector<std::uint32_t>{4096, 4096, 1808, 0}));
  EXPECT_TRUE(read_back == text);
  std::uint32_t put = 99;
  EXPECT_FALSE(files.write_file(back, "x", 1, &put));
  EXPECT_EQ(files.last_error(), error::kAccessDenied);
  EXPECT_EQ(put, 0u);
  EXPECT_TRUE(files.close_file(back));
  EXPECT_FALSE(files.close_file(back));
  EXPECT_EQ(files.last_error(), error::kInvalidHandle);
  EXPECT_FALSE(files.read_file(kInvalidFile, block, 1, &got));
  EXPECT_EQ(files.last_error(), error::kInvalidHandle);
}

TEST_F(DesktopFilesTest, FailedOpensSayWhyAndDestroyNothing) {
  const std::string file_path = temp.write_file("old.txt", "keep me");
  EXPECT_EQ(files.open_file(file_path, kReadWrite, FileDisposition::kCreateNew), kInvalidFile);
  EXPECT_EQ(files.last_error(), error::kFileExists);
  EXPECT_EQ(files.open_file(in("missing.txt"), kRead, kExisting), kInvalidFile);
  EXPECT_EQ(files.last_error(), error::kFileNotFound);
  EXPECT_EQ(files.open_file(in("nofolder/x.txt"), kReadWrite, kCreateAlways), kInvalidFile);
  EXPECT_EQ(files.last_error(), error::kPathNotFound);
  EXPECT_EQ(files.open_file(temp.path(), kRead, kExisting), kInvalidFile);  // a folder
  EXPECT_EQ(files.last_error(), error::kAccessDenied);
  EXPECT_FALSE(files.delete_file(in("nofolder/missing.txt")));
  EXPECT_EQ(files.last_error(), error::kPathNotFound);

  // Readers share with readers; a writer shares with nobody.
  const FileHandle reader = files.open_file(file_path, kRead, kExisting);
  const FileHandle second_reader = files.open_file(file_path, kRead, kExisting);
  ASSERT_NE(reader, kInvalidFile);
  EXPECT_NE(second_reader, kInvalidFile);
  EXPECT_EQ(files.open_file(file_path, kReadWrite, kCreateAlways), kInvalidFile);
  EXPECT_EQ(files.last_error(), error::kSharingViolation);
  files.close_file(second_reader);
  files.close_file(reader);
  const FileHandle writer = files.open_file(file_path, kReadWrite, kExisting);
  ASSERT_NE(writer, kInvalidFile);
  EXPECT_EQ(files.open_file(file_path, kRead, kExisting), kInvalidFile);
  EXPECT_EQ(files.last_error(), error::kSharingViolation);
  files.close_file(writer);
  EXPECT_EQ(read_whole(file_path), "keep me");

  fs::permissions(fs::u8path(file_path), fs::perms::owner_write, fs::perm_options::remove);
  const auto found = find_all(file_path);
  ASSERT_EQ(found.count("old.txt"), 1u);
  EXPECT_TRUE(found.at("old.txt").attributes & attr::kReadOnly);
  if (!under_wine()) {  // Wine does not enforce the read-only attribute for root
    EXPECT_EQ(files.open_file(file_path, kReadWrite, kCreateAlways), kInvalidFile);
    EXPECT_EQ(files.last_error(), error::kAccessDenied);
    EXPECT_FALSE(files.delete_file(file_path));
    EXPECT_EQ(files.last_error(), error::kAccessDenied);
    EXPECT_FALSE(files.move_file_replace(temp.write_file("other.txt", "other"), file_path));
    EXPECT_EQ(read_whole(file_path), "keep me");
  }
  fs::permissions(fs::u8path(file_path), fs::perms::owner_write, fs::perm_options::add);
  ASSERT_TRUE(write_whole(file_path, "new"));
  EXPECT_EQ(read_whole(file_path), "new");
}

// Two appenders at once, as two copies of the program writing one log.
TEST_F(DesktopFilesTest, AppendersCreateTheFileAddAtItsEndAndNeverRead) {
  const std::string log = in("log.txt");
  const FileHandle first = files.open_file(log, FileAccess::kAppend, kExisting);
  ASSERT_NE(first, kInvalidFile);
  std::uint32_t put = 0;
  EXPECT_TRUE(files.write_file(first, "1\n", 2, &put));
  const FileHandle second = files.open_file(log, FileAccess::kAppend, kExisting);
  ASSERT_NE(second, kInvalidFile);
  EXPECT_TRUE(files.write_file(second, "2\n", 2, &put));
  EXPECT_TRUE(files.write_file(first, "3\n", 2, &put));
  char block[8];
  std::uint32_t got = 0;
  EXPECT_FALSE(files.read_file(first, block, sizeof block, &got));
  EXPECT_EQ(files.last_error(), error::kAccessDenied);
  files.close_file(second);
  files.close_file(first);
  EXPECT_EQ(read_whole(log), "1\n2\n3\n");
}

TEST_F(DesktopFilesTest, TimesRoundTripToTheTickAndAZeroTimeIsLeftAsItIs) {
  const std::string file_path = temp.write_file("timed.txt", "t");
  FileTimes wanted;  // odd tick counts: the full 100 ns precision has to survive
  wanted.creation = 129745231234567891ULL;
  wanted.last_access = 129745231234567893ULL;
  wanted.last_write = 125911548000000007ULL;
  const FileHandle file = files.open_file(file_path, kReadWrite, kExisting);
  ASSERT_TRUE(files.set_file_times(file, wanted));
  FileTimes got;
  ASSERT_TRUE(files.get_file_times(file, &got));
  EXPECT_EQ(got.last_access, wanted.last_access);
  EXPECT_EQ(got.last_write, wanted.last_write);
#ifdef _WIN32
  if (!under_wine()) {  // Wine keeps no creation time
    EXPECT_EQ(got.creation, wanted.creation);
  }
#endif
  EXPECT_NE(got.creation, 0u);
  FileTimes only_access;
  only_access.last_access = 130000000000000000ULL;
  ASSERT_TRUE(files.set_file_times(file, only_access));
  ASSERT_TRUE(files.get_file_times(file, &got));
  files.close_file(file);
  EXPECT_EQ(got.last_access, only_access.last_access);
  EXPECT_EQ(find_all(file_path).at("timed.txt").times.last_write, wanted.last_write);
  if (under_wine()) return;  // Wine lets any handle set times
  const FileHandle reader = files.open_file(file_path, kRead, kExisting);
  EXPECT_FALSE(files.set_file_times(reader, wanted));
  EXPECT_EQ(files.last_error(), error::kAccessDenied);
  files.close_file(reader);
}

TEST_F(DesktopFilesTest, FoldersAreMadeOneLevelAtATimeAndMovesReplace) {
  EXPECT_FALSE(files.make_folder(in("a/b")));
  EXPECT_EQ(files.last_error(), error::kPathNotFound);
  ASSERT_TRUE(files.make_folder(in("a")));
  EXPECT_TRUE(files.exists(in("a") + platform::path::kSeparator));
  EXPECT_FALSE(files.make_folder(in("a")));
  EXPECT_EQ(files.last_error(), error::kAlreadyExists);
  ASSERT_TRUE(files.make_folder(in("a/b")));
  const std::string inner = temp.write_file("a/b/f.txt", "f");
  EXPECT_FALSE(files.is_folder(inner));
  EXPECT_FALSE(files.remove_folder(in("a/b")));
  EXPECT_EQ(files.last_error(), error::kDirNotEmpty);
  EXPECT_FALSE(files.delete_file(in("a/b")));
  EXPECT_EQ(files.last_error(), error::kAccessDenied);

  const std::string store = temp.write_file("store.reg", "old and longer");
  ASSERT_TRUE(files.move_file_replace(inner, store));
  EXPECT_FALSE(files.exists(inner));
  EXPECT_EQ(files.last_error(), error::kFileNotFound);
  EXPECT_EQ(read_whole(store), "f");
  EXPECT_FALSE(files.move_file_replace(inner, store));
  EXPECT_EQ(files.last_error(), error::kFileNotFound);
  EXPECT_EQ(read_whole(store), "f");
  EXPECT_TRUE(files.remove_folder(in("a/b")));
  EXPECT_FALSE(files.remove_folder(in("a/b")));
  EXPECT_EQ(files.last_error(), error::kFileNotFound);
}

TEST_F(DesktopFilesTest, NamesOutsideAsciiAndPathsLongerThanMaxPathWork) {
  std::string folder = in("D\xC3\xA9p\xC3\xB4t");
  ASSERT_TRUE(files.make_folder(folder));
  while (folder.size() < 300) {
    folder = platform::path::join(folder, std::string(40, 'd'));
    ASSERT_TRUE(files.make_folder(folder)) << folder.size() << " error " << files.last_error();
  }
  const std::string name = "M\xC3\xBCller \xCE\xB1\xCE\xB2 \xE6\xB8\xAC\xE9\x87\x8F.csv";
  const std::string file_path = platform::path::join(folder, name);
  ASSERT_TRUE(write_whole(file_path, "data"));
  EXPECT_EQ(read_whole(file_path), "data");
  const auto found = find_all(platform::path::join(folder, "*.csv"));
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found.begin()->first, name);
  EXPECT_EQ(found.begin()->second.size, 4u);
  const std::string moved = platform::path::join(folder, "moved.txt");
  EXPECT_TRUE(files.move_file_replace(file_path, moved));
  EXPECT_TRUE(files.delete_file(moved));
  EXPECT_TRUE(files.remove_folder(folder));
}

TEST_F(DesktopFilesTest, AFileIsKnownByItsIdentityAndTheProgramsPlacesAreFound) {
  const std::string file = temp.write_file("Program Files Folder/vmtransfer.exe", "exe");
  EXPECT_FALSE(files.same_file(file, temp.write_file("copy/vmtransfer.exe", "exe")));
  EXPECT_FALSE(files.same_file(in("missing.exe"), in("missing.exe")));
#ifdef _WIN32
  std::wstring shorter(MAX_PATH, L'\0');
  shorter.resize(GetShortPathNameW(fs::u8path(file).c_str(), shorter.data(), MAX_PATH));
  ASSERT_FALSE(shorter.empty());
  EXPECT_TRUE(files.same_file(file, fs::path(shorter).u8string()));
  EXPECT_EQ("", files.file_system_name("Q:\\no such volume\\x"));
#else
  fs::create_directory_symlink(fs::u8path(in("Program Files Folder")), fs::u8path(in("mapped")));
  EXPECT_TRUE(files.same_file(file, in("mapped/vmtransfer.exe")));
  EXPECT_EQ("", files.file_system_name("/no such folder/x"));
#endif
  EXPECT_FALSE(files.file_system_name(temp.path()).empty());
  EXPECT_EQ(files.file_system_name(temp.path()), files.file_system_name(file));

  const std::string temp_folder = files.temp_folder();
  EXPECT_TRUE(platform::path::ends_with_separator(temp_folder)) << temp_folder;
  EXPECT_TRUE(files.is_folder(temp_folder));
  const std::string exe = files.executable_path();
  EXPECT_TRUE(files.exists(exe) && !files.is_folder(exe));
  EXPECT_EQ(platform::path::file_name(exe).rfind("platform_tests", 0), 0u) << exe;
}

}  // namespace
}  // namespace vmt::test
