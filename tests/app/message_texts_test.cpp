// Message texts: loading by number with its checks, the table built from the
// one message source, and every call in the code agreeing with that source.
#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/message_texts.h"
#include "platform/common/message_source.h"
#include "support/fakes.h"
#include "support/temp_folder.h"

#ifdef _WIN32
#include "platform/win32/win32_resources.h"
#endif

namespace vmt::app {
namespace {

namespace fs = std::filesystem;

std::string read(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

std::map<unsigned, std::string> message_source() {
  std::vector<int> bad;
  auto texts = platform::parse_message_source(
      read(fs::u8path(test::source_path("src/app/messages.txt"))), &bad);
  EXPECT_TRUE(bad.empty()) << "messages.txt line " << (bad.empty() ? 0 : bad[0]);
  return texts;
}

TEST(MessageTexts, LoadingChecksTheTableAgainstTheDefaultAndRefusesAFormatThatDiffers) {
  test::ScriptedMessageBoxes boxes;
  platform::MapStringTable table({{50289, "view report?"},
                                  {50042, "Ordner %s %s nicht angelegt"},
                                  {50053, "Fait: %s"}});
  MessageTexts texts(boxes, table);
  EXPECT_EQ("view report?", texts.load_message_text(50289, "View report?"));
  EXPECT_EQ("Default", texts.load_message_text(50999, "Default"));
  ASSERT_EQ(2u, boxes.shown.size());
  EXPECT_EQ("vmtransfer.exe string mismatch:\n\nids=50289\n\nstringtable=view report?\n\n"
            "parameter=View report?",
            boxes.shown[0].text);
  EXPECT_EQ("Unknown resource string id (vmtransfer.exe) : 50999", boxes.shown[1].text);

  // With a resource library in use the texts may differ, but not in their
  // conversions; missing ones are still reported.
  texts.set_check_message_texts(false);
  EXPECT_EQ("view report?", texts.load_message_text(50289, "View report?"));
  EXPECT_EQ(2u, boxes.shown.size());
  EXPECT_EQ("Default", texts.load_message_text(50998, "Default"));
  EXPECT_EQ(3u, boxes.shown.size());
  EXPECT_EQ("Unable to make directory: %s",
            texts.load_message_format(50042, "Unable to make directory: %s"));
  EXPECT_EQ("Fait: %s", texts.load_message_format(50053, "Successfully made directory: %s"));
  EXPECT_EQ("%s%02d%ld", format_conversions("at %s: %02d of %ld (100%%)"));
  // A text longer than any fixed buffer is formatted whole.
  EXPECT_EQ(std::string(5000, 'x') + "!", format_message("%s!", std::string(5000, 'x').c_str()));
}

// The built-in table and, on Windows, the program's own string table.
TEST(MessageTexts, TheProgramsTablesAreTheMessageSource) {
  const auto source = message_source();
  ASSERT_EQ(source.size(), BuiltInStringTable::size());
  BuiltInStringTable built_in;
#ifdef _WIN32
  platform::Win32ResourceLoader loader;
  const auto own = loader.own_table();
#endif
  for (const auto& [number, text] : source) {
    std::string found;
    ASSERT_TRUE(built_in.find(number, &found)) << number;
    EXPECT_EQ(text, found) << number;
#ifdef _WIN32
    ASSERT_TRUE(own->find(number, &found)) << number;
    EXPECT_EQ(text, found) << number;
#endif
  }
}

// Reads the C string literals that follow position `at`, joined; false when there is none.
bool read_literals(const std::string& code, std::size_t at, std::string* text) {
  std::string escaped;
  bool any = false;
  for (;;) {
    while (at < code.size() && std::isspace(static_cast<unsigned char>(code[at]))) ++at;
    if (at >= code.size() || code[at] != '"') break;
    any = true;
    for (++at; at < code.size() && code[at] != '"'; ++at) {
      if (code[at] == '\\') escaped += code[at++];
      escaped += code[at];
    }
    ++at;
  }
  return any && platform::decode_message_escapes(escaped, text);
}

TEST(MessageTexts, EveryTextTheCodeLoadsIsInTheMessageSource) {
  const auto source = message_source();
  int calls = 0;
  for (const auto& entry : fs::recursive_directory_iterator(fs::u8path(test::source_path("src")))) {
    const std::string extension = entry.path().extension().string();
    if (extension != ".cpp" && extension != ".h") continue;
    const std::string code = read(entry.path());
    for (const char* call :
         {"load_message_text(", "load_message_format(", "format_message_text("}) {
      for (std::size_t at = code.find(call); at != std::string::npos;
           at = code.find(call, at + 1)) {
        std::size_t p = at + std::strlen(call);
        if (p >= code.size() || !std::isdigit(static_cast<unsigned char>(code[p]))) continue;
        const unsigned number = static_cast<unsigned>(std::strtoul(code.c_str() + p, nullptr, 10));
        while (p < code.size() && std::isdigit(static_cast<unsigned char>(code[p]))) ++p;
        while (p < code.size() && std::isspace(static_cast<unsigned char>(code[p]))) ++p;
        std::string text;
        ASSERT_TRUE(p < code.size() && code[p] == ',' && read_literals(code, p + 1, &text))
            << entry.path().string() << ": message " << number << " without a literal default";
        ++calls;
        auto it = source.find(number);
        ASSERT_NE(source.end(), it) << entry.path().string() << ": " << number
                                    << " is not in messages.txt";
        EXPECT_EQ(it->second, text) << entry.path().string() << ": " << number;
      }
    }
  }
  EXPECT_GT(calls, 20);
}

}  // namespace
}  // namespace vmt::app
