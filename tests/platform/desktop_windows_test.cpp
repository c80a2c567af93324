#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>
#endif

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "build_platform.h"
#include "platform/common/path.h"
#include "platform/common/utf.h"
#include "support/temp_folder.h"

namespace vmt::test {
namespace {

namespace fs = std::filesystem;
namespace error = platform::error;

// The echo helper, copied into a folder whose name and its own hold blanks.
class StartProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string built =
        platform::path::join(platform::path::folder_of(files.executable_path()),
                             std::string("vmt_echo_argument") + kExeSuffix);
    ASSERT_TRUE(files.exists(built)) << built;
    ASSERT_TRUE(files.make_folder(temp.path("Program Files")));
    fs::copy_file(fs::u8path(built), fs::u8path(program));
    // A program named like the first word must never be the one started.
    fs::copy_file(fs::u8path(built), fs::u8path(temp.path(std::string("Program") + kExeSuffix)));
  }

  // What the helper wrote to `exe` plus `suffix`, waited for (not timed).
  std::string output_of(const std::string& exe, const char* suffix = ".out") {
    const fs::path out = fs::u8path(exe + suffix);
    for (int i = 0; i < 600 && !fs::exists(out); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    std::ifstream file(out, std::ios::binary);
    std::string text = file ? std::string(std::istreambuf_iterator<char>(file), {}) : "<no output>";
    file.close();
    fs::remove(out);
    return text;
  }

  TempFolder temp;
  BuildFiles files;
  BuildWindows windows;
  std::string program = temp.path(std::string("Program Files/echo the argument") + kExeSuffix);
};

// The helper writes the number of its arguments, then each one a line.
TEST_F(StartProgramTest, ArgumentsArriveWholeAndTheProgramStartsInItsOwnFolder) {
  const std::pair<std::string, std::string> cases[] = {
      {"C:\\Survey Data\\Job 12\\report.txt", "1\nC:\\Survey Data\\Job 12\\report.txt\n"},
      {"ends with a backslash\\", "1\nends with a backslash\\\n"},
      {"say \"hello\" twice\\\\\"", "1\nsay \"hello\" twice\\\\\"\n"},
      {"M\xC3\xBCller \xE6\xB8\xAC\xE9\x87\x8F", "1\nM\xC3\xBCller \xE6\xB8\xAC\xE9\x87\x8F\n"},
      {"", "0\n"},
  };
  for (const auto& [argument, output] : cases) {
    SCOPED_TRACE(argument);
    std::uint32_t code = 99;
    ASSERT_TRUE(windows.start_program(program, argument, &code)) << code;
    EXPECT_EQ(code, error::kSuccess);
    EXPECT_EQ(output_of(program), output);
    // Never in this program's current folder, which may be anywhere.
    const std::string started_in = output_of(program, ".cwd");
    EXPECT_TRUE(files.same_file(started_in, temp.path("Program Files"))) << started_in;
  }
  EXPECT_FALSE(files.exists(temp.path(std::string("Program") + kExeSuffix + ".out")));
}

TEST_F(StartProgramTest, MissingProgramsAreReportedAsNotFound) {
  std::uint32_t code = 0;
  EXPECT_FALSE(windows.start_program("vmt-no-such-program", "x", &code));
  EXPECT_EQ(code, error::kFileNotFound);
  code = 0;
  EXPECT_FALSE(windows.start_program(temp.path(std::string("none") + kExeSuffix), "", &code));
  EXPECT_TRUE(code == error::kFileNotFound || code == error::kPathNotFound) << code;
}

TEST(SingleInstance, OneClaimAtATimeAndFreeAgainOnceLetGo) {
  BuildWindows windows;
  // A name of this run's own: other test runs on the machine claim theirs.
  const std::string name = "VmtTestInstance" +
      std::to_string(std::chrono::steady_clock::now().time_since_epoch().count());
  auto first = windows.claim_single_instance(name);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(windows.claim_single_instance(name), nullptr);
  EXPECT_NE(windows.claim_single_instance(name + "Other"), nullptr);
  first.reset();
  EXPECT_NE(windows.claim_single_instance(name), nullptr);
}

#ifdef _WIN32

TEST(QuoteArgument, RoundTripsThroughTheSystemParser) {
  for (const std::wstring argument : {L"", L"two words", L"C:\\Program Files\\", L"a\\\\b",
                                      L"q\"uote", L"\\\"", L"tab\there", L"x\\\\\\"}) {
    const std::wstring line = L"prog.exe " + platform::quote_argument(argument);
    int count = 0;
    wchar_t** parsed = CommandLineToArgvW(line.c_str(), &count);
    ASSERT_NE(parsed, nullptr);
    EXPECT_TRUE(count == 2 && argument == parsed[1]) << fs::path(line).u8string();
    LocalFree(parsed);
  }
}

LRESULT CALLBACK plain_window_proc(HWND window, UINT message, WPARAM w, LPARAM l) {
  return DefWindowProcW(window, message, w, l);
}

TEST(Win32DesktopWindows, ListsLongTitlesAndFindsExactTitles) {
  WNDCLASSW window_class{};
  window_class.lpfnWndProc = plain_window_proc;
  window_class.hInstance = GetModuleHandleW(nullptr);
  window_class.lpszClassName = L"VmtTestWindowClass";
  RegisterClassW(&window_class);
  std::wstring title = L"Vmt test window \x00FC ";
  title.append(400, L'x');
  const HWND window =
      CreateWindowExW(0, window_class.lpszClassName, title.c_str(), WS_OVERLAPPEDWINDOW, 0, 0, 10,
                      10, nullptr, nullptr, window_class.hInstance, nullptr);
  if (window == nullptr) GTEST_SKIP() << "no display to create a window on";
  platform::Win32DesktopWindows windows;
  const std::string utf8_title = fs::path(title).u8string();
  bool listed = false;
  for (const auto& top : windows.list_top_level_windows()) {
    listed = listed || (top.title == utf8_title && top.class_name == "VmtTestWindowClass");
  }
  EXPECT_TRUE(listed);
  EXPECT_TRUE(windows.window_with_title_exists(utf8_title));
  EXPECT_FALSE(windows.window_with_title_exists(platform::to_upper_ascii(utf8_title)));
  EXPECT_FALSE(windows.window_with_title_exists(utf8_title.substr(0, 20)));
  DestroyWindow(window);
  EXPECT_FALSE(windows.window_with_title_exists(utf8_title));
}

#endif

}  // namespace
}  // namespace vmt::test
