#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "build_platform.h"
#include "platform/common/path.h"
#include "support/temp_folder.h"

namespace vmt::test {
namespace {

using platform::FileAccess;
using platform::FileDisposition;
using platform::FileHandle;
using platform::FileTimes;
using platform::FindData;
using platform::kInvalidFile;
using platform::kInvalidFind;
namespace attr = platform::attr;
namespace error = platform::error;

// Every entry of a search, by name.
std::map<std::string, FindData> find_all(platform::DesktopFiles& files,
                                         const std::string& pattern) {
  std::map<std::string, FindData> found;
  FindData data;
  const platform::FindHandle search = files.find_first(pattern, &data);
  if (search == kInvalidFind) return found;
  do {
    found[data.name] = data;
  } while (files.find_next(search, &data));
  EXPECT_EQ(files.last_error(), error::kNoMoreFiles);
  EXPECT_TRUE(files.find_close(search));
  return found;
}

std::string read_whole(platform::DesktopFiles& files, const std::string& path) {
  const FileHandle file = files.open_file(path, FileAccess::kRead, FileDisposition::kOpenExisting);
  if (file == kInvalidFile) return "<cannot open>";
  std::string text;
  char block[4096];
  std::uint32_t got = 0;
  while (files.read_file(file, block, sizeof block, &got) && got > 0) text.append(block, got);
  files.close_file(file);
  return text;
}

bool write_whole(platform::DesktopFiles& files, const std::string& path, const std::string& text,
                 FileAccess access = FileAccess::kReadWrite) {
  const FileHandle file = files.open_file(path, access, FileDisposition::kCreateAlways);
  if (file == kInvalidFile) return false;
  std::uint32_t put = 0;
  const bool ok =
      files.write_file(file, text.data(), static_cast<std::uint32_t>(text.size()), &put);
  return files.close_file(file) && ok && put == text.size();
}

void set_read_only(const std::string& path, bool read_only) {
  namespace fs = std::filesystem;
  fs::permissions(fs::u8path(path), fs::perms::owner_write,
                  read_only ? fs::perm_options::remove : fs::perm_options::add);
}

class DesktopFilesTest : public ::testing::Test {
 protected:
  TempFolder temp;
  BuildFiles files;
  std::string in(const std::string& relative) { return temp.path(relative); }
};

TEST_F(DesktopFilesTest, SearchesMatchMasksWithoutCaseAndListDotEntries) {
  temp.write_file("Survey.CSV", "abc");
  temp.write_file("codes.csv", "");
  temp.write_file("notes.csv.txt", "x");
  temp.write_file("README", "12345");
  temp.write_file("sub/inner.csv", "");

  const auto all = find_all(files, in("*.*"));
  std::vector<std::string> names;
  for (const auto& entry : all) names.push_back(entry.first);
  EXPECT_EQ(names, (std::vector<std::string>{".", "..", "README", "Survey.CSV", "codes.csv",
                                             "notes.csv.txt", "sub"}));
  EXPECT_TRUE(all.at(".").attributes & attr::kDirectory);
  EXPECT_TRUE(all.at("..").attributes & attr::kDirectory);
  EXPECT_TRUE(all.at("sub").attributes & attr::kDirectory);
  EXPECT_FALSE(all.at("README").attributes & attr::kDirectory);
  EXPECT_FALSE(all.at("README").attributes & attr::kReadOnly);
  EXPECT_EQ(all.at("README").size, 5u);
  EXPECT_EQ(all.at("Survey.CSV").size, 3u);
  EXPECT_NE(all.at("README").times.last_write, 0u);

  const auto csv = find_all(files, in("*.csv"));
  ASSERT_EQ(csv.size(), 2u);
  EXPECT_TRUE(csv.count("Survey.CSV"));
  EXPECT_TRUE(csv.count("codes.csv"));

  // "." and ".." come first, as the list filling expects to skip them there.
  FindData first;
  const auto search = files.find_first(in("*.*"), &first);
  ASSERT_NE(search, kInvalidFind);
  EXPECT_EQ(first.name, ".");
  EXPECT_TRUE(files.find_close(search));
}

TEST_F(DesktopFilesTest, SearchFailuresTellMissingFolderFromNoMatch) {
  FindData data;
  EXPECT_EQ(files.find_first(in("none/*.*"), &data), kInvalidFind);
  EXPECT_EQ(files.last_error(), error::kPathNotFound);
  EXPECT_EQ(files.find_first(in("*.csv"), &data), kInvalidFind);
  EXPECT_EQ(files.last_error(), error::kFileNotFound);
  EXPECT_FALSE(files.find_next(12345, &data));
  EXPECT_EQ(files.last_error(), error::kInvalidHandle);
  EXPECT_FALSE(files.find_close(12345));
}

TEST_F(DesktopFilesTest, BlocksReadBackAsWrittenWithAShortLastBlock) {
  std::string text(10000, '\0');
  for (std::size_t i = 0; i < text.size(); ++i) text[i] = static_cast<char>(i * 7 % 256);
  const std::string file_path = in("blocks.bin");
  const FileHandle out =
      files.open_file(file_path, FileAccess::kReadWrite, FileDisposition::kCreateAlways);
  ASSERT_NE(out, kInvalidFile);
  for (std::size_t at = 0; at < text.size(); at += 4096) {
    const auto size = static_cast<std::uint32_t>(std::min<std::size_t>(4096, text.size() - at));
    std::uint32_t put = 0;
    ASSERT_TRUE(files.write_file(out, text.data() + at, size, &put));
    EXPECT_EQ(put, size);
  }
  ASSERT_TRUE(files.close_file(out));

  const FileHandle back =
      files.open_file(file_path, FileAccess::kRead, FileDisposition::kOpenExisting);
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
  // A reading handle neither writes nor changes the times.
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

TEST_F(DesktopFilesTest, DispositionsAndMissingThings) {
  const std::string file_path = temp.write_file("old.txt", "old contents");
  EXPECT_EQ(files.open_file(file_path, FileAccess::kReadWrite, FileDisposition::kCreateNew),
            kInvalidFile);
  EXPECT_EQ(files.last_error(), error::kFileExists);
  EXPECT_EQ(read_whole(files, file_path), "old contents");
  ASSERT_TRUE(write_whole(files, file_path, "new"));
  EXPECT_EQ(read_whole(files, file_path), "new");

  EXPECT_EQ(files.open_file(in("missing.txt"), FileAccess::kRead, FileDisposition::kOpenExisting),
            kInvalidFile);
  EXPECT_EQ(files.last_error(), error::kFileNotFound);
  EXPECT_EQ(
      files.open_file(in("nofolder/x.txt"), FileAccess::kReadWrite, FileDisposition::kCreateAlways),
      kInvalidFile);
  EXPECT_EQ(files.last_error(), error::kPathNotFound);
  // A folder is never opened as a file.
  EXPECT_EQ(files.open_file(temp.path(), FileAccess::kRead, FileDisposition::kOpenExisting),
            kInvalidFile);
  EXPECT_EQ(files.last_error(), error::kAccessDenied);

  EXPECT_FALSE(files.exists(in("missing.txt")));
  EXPECT_EQ(files.last_error(), error::kFileNotFound);
  EXPECT_FALSE(files.delete_file(in("missing.txt")));
  EXPECT_EQ(files.last_error(), error::kFileNotFound);
  EXPECT_FALSE(files.delete_file(in("nofolder/missing.txt")));
  EXPECT_EQ(files.last_error(), error::kPathNotFound);
}

TEST_F(DesktopFilesTest, WritersShareWithNobodyAndARefusedOpenerDestroysNothing) {
  const std::string file_path = temp.write_file("shared.txt", "keep me");
  const FileHandle reader =
      files.open_file(file_path, FileAccess::kRead, FileDisposition::kOpenExisting);
  ASSERT_NE(reader, kInvalidFile);
  const FileHandle second_reader =
      files.open_file(file_path, FileAccess::kRead, FileDisposition::kOpenExisting);
  EXPECT_NE(second_reader, kInvalidFile);
  EXPECT_EQ(files.open_file(file_path, FileAccess::kReadWrite, FileDisposition::kCreateAlways),
            kInvalidFile);
  EXPECT_EQ(files.last_error(), error::kSharingViolation);
  files.close_file(second_reader);
  files.close_file(reader);
  EXPECT_EQ(read_whole(files, file_path), "keep me");

  const FileHandle writer =
      files.open_file(file_path, FileAccess::kReadWrite, FileDisposition::kOpenExisting);
  ASSERT_NE(writer, kInvalidFile);
  EXPECT_EQ(files.open_file(file_path, FileAccess::kRead, FileDisposition::kOpenExisting),
            kInvalidFile);
  EXPECT_EQ(files.last_error(), error::kSharingViolation);
  files.close_file(writer);
}

TEST_F(DesktopFilesTest, AppendingCreatesAndAddsAtTheEndWhileOthersRead) {
  const std::string log = in("log.txt");
  const auto append = [&](const std::string& line) {
    const FileHandle file =
        files.open_file(log, FileAccess::kAppend, FileDisposition::kOpenExisting);
    if (file == kInvalidFile) return false;
    std::uint32_t put = 0;
    const bool ok =
        files.write_file(file, line.data(), static_cast<std::uint32_t>(line.size()), &put);
    return files.close_file(file) && ok;
  };
  ASSERT_TRUE(append("one\n"));
  ASSERT_TRUE(append("two\n"));
  EXPECT_EQ(read_whole(files, log), "one\ntwo\n");

  // Two appenders at once, as two copies of the program writing one log.
  const FileHandle first =
      files.open_file(log, FileAccess::kAppend, FileDisposition::kOpenExisting);
  const FileHandle second =
      files.open_file(log, FileAccess::kAppend, FileDisposition::kOpenExisting);
  ASSERT_NE(first, kInvalidFile);
  ASSERT_NE(second, kInvalidFile);
  std::uint32_t put = 0;
  EXPECT_TRUE(files.write_file(first, "3\n", 2, &put));
  EXPECT_TRUE(files.write_file(second, "4\n", 2, &put));
  EXPECT_TRUE(files.write_file(first, "5\n", 2, &put));
  char block[8];
  std::uint32_t got = 0;
  EXPECT_FALSE(files.read_file(first, block, sizeof block, &got));
  EXPECT_EQ(files.last_error(), error::kAccessDenied);
  files.close_file(second);
  files.close_file(first);
  EXPECT_EQ(read_whole(files, log), "one\ntwo\n3\n4\n5\n");
}

TEST_F(DesktopFilesTest, ReadOnlyFilesRefuseWritesAndDeletion) {
  const std::string file_path = temp.write_file("locked.txt", "fixed");
  set_read_only(file_path, true);
  const auto found = find_all(files, in("locked.txt"));
  ASSERT_EQ(found.count("locked.txt"), 1u);
  EXPECT_TRUE(found.at("locked.txt").attributes & attr::kReadOnly);
  if (under_wine()) {
    set_read_only(file_path, false);
    GTEST_SKIP() << "Wine does not enforce the read-only attribute here";
  }
  EXPECT_EQ(files.open_file(file_path, FileAccess::kReadWrite, FileDisposition::kCreateAlways),
            kInvalidFile);
  EXPECT_EQ(files.last_error(), error::kAccessDenied);
  EXPECT_FALSE(files.delete_file(file_path));
  EXPECT_EQ(files.last_error(), error::kAccessDenied);
  const std::string other = temp.write_file("other.txt", "other");
  EXPECT_FALSE(files.move_file_replace(other, file_path));
  EXPECT_EQ(read_whole(files, file_path), "fixed");
  set_read_only(file_path, false);
  EXPECT_TRUE(files.delete_file(file_path));
}

TEST_F(DesktopFilesTest, TimesRoundTripToTheTick) {
  const std::string file_path = temp.write_file("timed.txt", "t");
  // Odd tick counts: the full 100 ns precision has to survive.
  FileTimes wanted;
  wanted.creation = 129745231234567891ULL;  // 2012
  wanted.last_access = 129745231234567893ULL;
  wanted.last_write = 125911548000000007ULL;  // 2000
  const FileHandle file =
      files.open_file(file_path, FileAccess::kReadWrite, FileDisposition::kOpenExisting);
  ASSERT_NE(file, kInvalidFile);
  ASSERT_TRUE(files.set_file_times(file, wanted));
  FileTimes got;
  ASSERT_TRUE(files.get_file_times(file, &got));
  files.close_file(file);
  EXPECT_EQ(got.last_access, wanted.last_access);
  EXPECT_EQ(got.last_write, wanted.last_write);
#ifdef _WIN32
  if (!under_wine()) {
    EXPECT_EQ(got.creation, wanted.creation);
  }
#endif
  EXPECT_NE(got.creation, 0u);
  const auto found = find_all(files, in("timed.txt"));
  ASSERT_EQ(found.count("timed.txt"), 1u);
  EXPECT_EQ(found.at("timed.txt").times.last_write, wanted.last_write);

  // A time of 0 is left as it is; a reading handle may not set times.
  const FileHandle again =
      files.open_file(file_path, FileAccess::kReadWrite, FileDisposition::kOpenExisting);
  FileTimes only_access;
  only_access.last_access = 130000000000000000ULL;
  ASSERT_TRUE(files.set_file_times(again, only_access));
  ASSERT_TRUE(files.get_file_times(again, &got));
  files.close_file(again);
  EXPECT_EQ(got.last_access, only_access.last_access);
  EXPECT_EQ(got.last_write, wanted.last_write);
  if (under_wine()) return;
  const FileHandle reader =
      files.open_file(file_path, FileAccess::kRead, FileDisposition::kOpenExisting);
  EXPECT_FALSE(files.set_file_times(reader, wanted));
  EXPECT_EQ(files.last_error(), error::kAccessDenied);
  files.close_file(reader);
}

TEST_F(DesktopFilesTest, FoldersAreMadeOneLevelAtATime) {
  EXPECT_FALSE(files.make_folder(in("a/b")));
  EXPECT_EQ(files.last_error(), error::kPathNotFound);
  EXPECT_FALSE(files.exists(in("a")));
  ASSERT_TRUE(files.make_folder(in("a")));
  EXPECT_TRUE(files.is_folder(in("a")));
  EXPECT_TRUE(files.exists(in("a") + platform::path::kSeparator));
  EXPECT_FALSE(files.make_folder(in("a")));
  EXPECT_EQ(files.last_error(), error::kAlreadyExists);
  ASSERT_TRUE(files.make_folder(in("a/b")));

  temp.write_file("a/b/f.txt", "f");
  EXPECT_FALSE(files.is_folder(in("a/b/f.txt")));
  EXPECT_TRUE(files.exists(in("a/b/f.txt")));
  EXPECT_FALSE(files.remove_folder(in("a/b")));
  EXPECT_EQ(files.last_error(), error::kDirNotEmpty);
  EXPECT_FALSE(files.delete_file(in("a/b")));
  EXPECT_EQ(files.last_error(), error::kAccessDenied);
  EXPECT_TRUE(files.delete_file(in("a/b/f.txt")));
  EXPECT_TRUE(files.remove_folder(in("a/b")));
  EXPECT_FALSE(files.exists(in("a/b")));
  EXPECT_FALSE(files.remove_folder(in("a/b")));
  EXPECT_EQ(files.last_error(), error::kFileNotFound);
}

TEST_F(DesktopFilesTest, MoveReplacesTheDestination) {
  const std::string from = temp.write_file("new.reg", "new");
  const std::string to = temp.write_file("store.reg", "old and longer");
  ASSERT_TRUE(files.move_file_replace(from, to));
  EXPECT_FALSE(files.exists(from));
  EXPECT_EQ(read_whole(files, to), "new");
  EXPECT_FALSE(files.move_file_replace(from, to));
  EXPECT_EQ(files.last_error(), error::kFileNotFound);
  EXPECT_EQ(read_whole(files, to), "new");
}

TEST_F(DesktopFilesTest, NamesOutsideAsciiSurvive) {
  const std::string name = "M\xC3\xBCller \xCE\xB1\xCE\xB2 \xE6\xB8\xAC\xE9\x87\x8F.csv";
  ASSERT_TRUE(write_whole(files, in(name), "data"));
  const auto found = find_all(files, in("*.csv"));
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found.begin()->first, name);
  EXPECT_EQ(found.begin()->second.size, 4u);
  EXPECT_EQ(read_whole(files, in(name)), "data");
  const std::string folder = in("D\xC3\xA9p\xC3\xB4t");
  ASSERT_TRUE(files.make_folder(folder));
  EXPECT_TRUE(files.is_folder(folder));
}

TEST_F(DesktopFilesTest, PathsLongerThanMaxPathWork) {
  std::string folder = temp.path();
  while (folder.size() < 300) {
    folder = platform::path::join(folder, std::string(40, 'd'));
    ASSERT_TRUE(files.make_folder(folder)) << folder.size() << " error " << files.last_error();
  }
  const std::string file_path = platform::path::join(folder, "deep file.txt");
  ASSERT_GT(file_path.size(), 260u);
  ASSERT_TRUE(write_whole(files, file_path, "deep"));
  EXPECT_TRUE(files.exists(file_path));
  EXPECT_EQ(read_whole(files, file_path), "deep");
  const auto found = find_all(files, platform::path::join(folder, "*.*"));
  EXPECT_EQ(found.size(), 3u);
  EXPECT_TRUE(found.count("deep file.txt"));
  const std::string moved = platform::path::join(folder, "moved.txt");
  EXPECT_TRUE(files.move_file_replace(file_path, moved));
  EXPECT_TRUE(files.delete_file(moved));
  EXPECT_TRUE(files.remove_folder(folder));
}

TEST_F(DesktopFilesTest, OneFileIsKnownByItsIdentityNotItsName) {
  const std::string file = temp.write_file("Program Files Folder/vmtransfer.exe", "exe");
  const std::string copy = temp.write_file("copy/vmtransfer.exe", "exe");
  EXPECT_FALSE(files.same_file(file, copy));
  EXPECT_FALSE(files.same_file(in("missing.exe"), in("missing.exe")));
#ifdef _WIN32
  std::wstring wide = std::filesystem::u8path(file).wstring();
  std::wstring shorter(wide.size() + 1, L'\0');
  shorter.resize(GetShortPathNameW(wide.c_str(), shorter.data(),
                                   static_cast<DWORD>(shorter.size())));
  ASSERT_FALSE(shorter.empty());
  EXPECT_TRUE(files.same_file(file, std::filesystem::path(shorter).u8string()));
#else
  std::error_code error;
  std::filesystem::create_directory_symlink(std::filesystem::u8path(in("Program Files Folder")),
                                            std::filesystem::u8path(in("mapped")), error);
  ASSERT_FALSE(error) << error.message();
  EXPECT_TRUE(files.same_file(file, in("mapped/vmtransfer.exe")));
#endif
}

TEST_F(DesktopFilesTest, TempFolderAndOwnExecutable) {
  const std::string temp_folder = files.temp_folder();
  ASSERT_FALSE(temp_folder.empty());
  EXPECT_TRUE(platform::path::ends_with_separator(temp_folder));
  EXPECT_TRUE(files.is_folder(temp_folder));
  const std::string exe = files.executable_path();
  EXPECT_TRUE(files.exists(exe));
  EXPECT_FALSE(files.is_folder(exe));
  const std::string name = platform::path::file_name(exe);
  EXPECT_EQ(name.rfind("platform_tests", 0), 0u) << exe;
}

// The file system of a folder, and of a file inside it, is named; a path on
// no volume has none.
TEST_F(DesktopFilesTest, TheFileSystemOfAPathIsNamed) {
  ASSERT_TRUE(files.make_folder(in("deep")));
  ASSERT_TRUE(write_whole(files, in("deep/file.txt"), "x"));
  const std::string name = files.file_system_name(temp.path());
  EXPECT_FALSE(name.empty());
  EXPECT_EQ(name, files.file_system_name(in("deep/file.txt")));
#ifdef _WIN32
  EXPECT_EQ("", files.file_system_name("Q:\\no such volume\\x"));
#else
  EXPECT_EQ("", files.file_system_name("/no such folder/x"));
#endif
}

}  // namespace
}  // namespace vmt::test
