// The text files the program reads from others: settings files, registry
// files and the text form of string tables.
#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

#include "platform/common/ini_file.h"
#include "platform/common/message_source.h"
#include "platform/common/reg_text.h"
#include "platform/common/utf.h"

namespace vmt::platform {
namespace {

// The bytes of a text as UTF-16 with its byte-order mark.
std::string utf16_file(const std::string& utf8, bool big_endian) {
  std::string bytes = big_endian ? "\xFE\xFF" : "\xFF\xFE";
  for (char16_t unit : to_utf16(utf8)) {
    const char high = static_cast<char>(unit >> 8);
    const char low = static_cast<char>(unit & 0xFF);
    bytes += big_endian ? high : low;
    bytes += big_endian ? low : high;
  }
  return bytes;
}

TEST(IniFile, ValuesAreFoundAsTheProfileFunctionsFindThem) {
  const std::string settings =
      "; vmark settings\r\n[Settings]\r\n  DataPath =  \\Storage Card\\Projects  \r\n"
      "DATADIR=\\Other\r\n[FGEN]\nDATADIR=\"\\My Documents\\Jobs\"\n";
  const std::string doubled = "[A]\nk=1\nk=2\n[a]\nk=3\nj=4\n";
  const std::string utf8 = "[S]\r\nk=\\Gr\xC3\xBCn \xE2\x82\xAC \xE6\xB8\xAC\r\n";
  const std::string value = "\\Gr\xC3\xBCn \xE2\x82\xAC \xE6\xB8\xAC";
  // Western European: u with diaeresis, the euro sign, and an undefined byte.
  const std::string ansi = "[S]\r\nk=\\Gr\xFCn \x80\x81\r\n";
  struct Case {
    std::string text, section, key;
    std::string expected;
    std::size_t size = 4096;
    std::string fallback = "";
  };
  std::vector<Case> cases = {
      {settings, "settings", "datapath", "\\Storage Card\\Projects"},
      {settings, "SETTINGS", "DataDir", "\\Other"},
      {settings, "fgen", "datadir", "\\My Documents\\Jobs"},  // one pair of quotes removed
      {settings, "EVR", "DATADIR", "Empty", 4096, "Empty"},
      {settings, "Settings", "Missing", "  def", 4096, "  def  "},  // trimmed at the end
      {doubled, "A", "k", "1"},  // the first key and the first section of a name count
      {doubled, "A", "j", ""},
      {settings, "Settings", "DataPath", "\\Stora", 7},  // cut to the buffer
      {settings, "Settings", "DataPath", "", 0},
      {"", "S", "k", ""},
      {std::string("\0\xFF\x01\n", 4) + "[S]\nk=x", "S", "k", "x"},
      {"k=outside\n[S]\n", "S", "k", ""},
      {"[S]k=x", "S", "k", ""},
      {"\xEF\xBB\xBF[S]\nk='v'", "S", "k", "v"},
      {"[S]\nk=\"", "S", "k", "\""},
      {utf16_file(utf8, false), "s", "K", value},
      {utf16_file(utf8, true), "S", "k", value},
      {utf16_file("[S]\nk=ab", false) + "c", "S", "k", "ab"},  // half a character dropped
      {"\xFF\xFE", "S", "k", ""},
      {"\xEF\xBB\xBF" + utf8, "S", "k", value},
      {"\xEF\xBB\xBF[S]\nk=a\xC3z", "S", "k", "a\xEF\xBF\xBDz"},  // one replacement character
  };
#ifdef _WIN32
  if (GetACP() == 1252)
#endif
  {  // without a mark, the ANSI code page; a cut never splits what decoding made longer
    cases.push_back({ansi, "S", "k", "\\Gr\xC3\xBCn \xE2\x82\xAC\xC2\x81"});
    cases.push_back({ansi, "S", "k", "\\Gr\xC3\xBC", 6});
    cases.push_back({ansi, "S", "k", "\\Gr", 5});
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text.substr(0, 40) + " [" + c.section + "] " + c.key);
    std::string out;
    EXPECT_EQ(IniFile::parse(c.text).get_string(c.section, c.key, c.fallback, &out, c.size),
              c.expected.size());
    EXPECT_EQ(out, c.expected);
  }
}

TEST(RegText, ParsesStringsDwordsEscapesUtf16AndHexContinuations) {
  const std::string text =
      "Windows Registry Editor Version 5.00\r\n\r\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Veldmark\\Transfer\\TransferOptions]\r\n"
      "\"CreateReports\"=\"1\"\r\n"
      "\"UserDownDir\"=\"C:\\\\Survey \\\"Jobs\\\"\\\\\"\r\n"
      "\"GuestOnly\"=dword:0000000a\r\n"
      "@=\"Z\xC3\xBCrich\"\r\n"
      "\"Path\"=hex(2):43,00,3a,00,\\\r\n  5c,00,00,00\r\n";
  for (const std::string& file : {text, utf16_file(text, false)}) {
    RegTextDocument doc;
    std::vector<RegTextProblem> problems;
    ASSERT_TRUE(parse_reg_text(file, &doc, &problems));
    ASSERT_EQ(doc.keys.size(), 1u);
    const RegTextKey& key = doc.keys[0];
    EXPECT_EQ(key.path, "HKEY_LOCAL_MACHINE\\SOFTWARE\\Veldmark\\Transfer\\TransferOptions");
    ASSERT_EQ(key.values.size(), 5u);
    EXPECT_EQ(key.values[1].text, "C:\\Survey \"Jobs\"\\");
    EXPECT_EQ(key.values[2].type, 4u);
    EXPECT_EQ(key.values[2].number, 10u);
    EXPECT_EQ(key.values[3].name, "");
    EXPECT_EQ(key.values[3].text, "Z\xC3\xBCrich");
    EXPECT_EQ(key.values[4].type, 2u);
    EXPECT_EQ(key.values[4].text, "C:\\");

    RegTextDocument again;
    ASSERT_TRUE(parse_reg_text(serialize_reg_text(doc), &again, &problems));
    ASSERT_EQ(again.keys.at(0).values.size(), 5u);
    for (std::size_t i = 0; i < 5; ++i) {
      EXPECT_EQ(again.keys[0].values[i].text, key.values[i].text);
      EXPECT_EQ(again.keys[0].values[i].number, key.values[i].number);
    }
  }
}

TEST(RegText, DamagedFilesAreReportedNotFatalAndTheirGoodLinesKept) {
  RegTextDocument doc;
  std::vector<RegTextProblem> problems;
  EXPECT_FALSE(parse_reg_text("", &doc, &problems));
  EXPECT_FALSE(parse_reg_text("[HKEY_LOCAL_MACHINE\\A]\n\"v\"=\"1\"\n", &doc, &problems));
  EXPECT_FALSE(problems.empty());
  EXPECT_FALSE(parse_reg_text(
      "Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\A]\n\"v\"=\"unterminated\n"
      "\"w\"=dword:zz\n\"ok\"=\"1\"\n[HKEY_LOCAL_MACHINE\\B",
      &doc, &problems));
  ASSERT_EQ(doc.keys.size(), 1u);
  ASSERT_EQ(doc.keys[0].values.size(), 1u);
  EXPECT_EQ(doc.keys[0].values[0].name, "ok");
  EXPECT_EQ(problems.size(), 3u);
}

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

}  // namespace
}  // namespace vmt::platform
