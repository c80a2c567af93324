// The text files the program reads from others: settings files, registry
// files and the text form of string tables. The tables hold the inputs the
// fuzz targets of tests/fuzz found, or that stand for their nastiest seeds:
// each must be read without harm and give a sane result.
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

std::string binary_blob() {
  std::string blob;
  for (int i = 0; i < 4096; ++i) blob += static_cast<char>((i * 37 + i / 256) & 0xFF);
  return blob;
}

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
  const std::string huge(1 << 20, 'v');
  // Stray continuation bytes after a UTF-8 mark; a cut never ends inside one.
  const std::string stray = "\xEF\xBB\xBF[S]\nk=\x80\x80\xC3\xBC";
  const std::string replaced = "\xEF\xBF\xBD\xEF\xBF\xBD\xC3\xBC";
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
      {"[S]\nk=" + huge, "S", "k", huge, std::string::npos},  // one huge key, no line end
      {"[S]\nk=" + huge, "S", "k", "", 1},
      {stray, "S", "k", replaced.substr(0, 3), 4},
      {stray, "S", "k", replaced.substr(0, 3), 6},
      {stray, "S", "k", replaced, 9},
      {binary_blob() + "\n[S]\nk=x\n", "S", "k", "x"},
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
    std::string out = "left over";
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

TEST(RegText, HostileFilesAreReadSanelyAndWrittenBackStably) {
  const std::string head =
      "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Veldmark]\r\n";
  const std::string huge_key(1 << 20, 'k');
  constexpr std::size_t kAny = ~std::size_t{0};
  struct Case {
    std::string text;
    std::size_t problems;
    std::size_t keys, values;          // values of the first key
    std::vector<std::string> written;  // lines the text is written back with
  };
  const Case cases[] = {
      // A continuation mark without a continuation: "= hex" is not joined,
      // and a hex list may end on a line that starts with a quote.
      {head + "\"a\"= hex:01,02,\\\r\n\"b\"=\"after\"\r\n\"c\"=hex(7):41,00,\\\r\n\"d\"\\\r\n"
              "\"e\"=dword:00000005\r\n",
       0, 1, 4,
       {"\"a\"=hex:01,02,\r\n\"b\"=\"after\"\r\n\"c\"=hex(7):41,00,\"d\"\r\n",
        "\"e\"=dword:00000005\r\n"}},
      // A number and a text written as bytes are kept as written, not made a
      // zero and an empty text.
      {head + "\"n\"=hex(4):2a,00,00,00\r\n\"s\"=hex(1):41,00,00,00\r\n", 0, 1, 2,
       {"\"n\"=hex(4):2a,00,00,00\r\n\"s\"=hex(1):41,00,00,00\r\n"}},
      {"REGEDIT4\n[" + huge_key + "]", 0, 1, 0, {"[" + huge_key + "]\r\n"}},  // no line end
      // Damaged lines are reported one by one and the good ones kept.
      {"Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\A]\n\"v\"=\"unterminated\n"
       "\"w\"=dword:zz\n\"ok\"=\"1\"\n[HKEY_LOCAL_MACHINE\\B",
       3, 1, 1, {"\"ok\"=\"1\"\r\n"}},
      {"", 1, 0, 0, {}},
      {"[HKEY_LOCAL_MACHINE\\A]\n\"v\"=\"1\"\n", 1, kAny, 0, {}},  // no header
      {binary_blob(), 1, kAny, 0, {}},
      {"\xFF\xFE" + binary_blob(), 1, kAny, 0, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text.substr(0, 80));
    RegTextDocument document;
    std::vector<RegTextProblem> problems;
    EXPECT_EQ(c.problems == 0, parse_reg_text(c.text, &document, &problems));
    if (c.problems > 1) {
      EXPECT_EQ(problems.size(), c.problems);
    }
    EXPECT_EQ(problems.empty(), c.problems == 0);
    if (c.keys == kAny) continue;
    ASSERT_EQ(document.keys.size(), c.keys);
    if (c.keys == 0) continue;
    EXPECT_EQ(document.keys[0].values.size(), c.values);
    const std::string written = serialize_reg_text(document);
    for (const std::string& line : c.written) EXPECT_NE(written.find(line), std::string::npos);
    RegTextDocument again;
    EXPECT_TRUE(parse_reg_text(written, &again, &problems));
    EXPECT_EQ(serialize_reg_text(again), written);
  }
}

TEST(MessageSource, ParsesEscapesListsWhatItCannotReadAndKeepsOnlyDecodableTexts) {
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

  const auto found = parse_message_source(binary_blob() + "\n50000\tVeldmark", &bad);
  EXPECT_EQ(found.at(50000), "Veldmark");
  for (const auto& [number, text] : found) EXPECT_FALSE(text.empty()) << number;
  std::string decoded;
  EXPECT_FALSE(decode_message_escapes("ends in a backslash\\", &decoded));
}

}  // namespace
}  // namespace vmt::platform
