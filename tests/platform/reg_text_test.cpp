#include "platform/common/reg_text.h"

#include <gtest/gtest.h>

namespace vmt::platform {
namespace {

TEST(RegText, ParsesStringsDwordsAndEscapes) {
  const std::string text =
      "Windows Registry Editor Version 5.00\r\n\r\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Veldmark\\Transfer\\TransferOptions]\r\n"
      "\"CreateReports\"=\"1\"\r\n"
      "\"UserDownDir\"=\"C:\\\\Survey \\\"Jobs\\\"\\\\\"\r\n"
      "\"GuestOnly\"=dword:0000000a\r\n"
      "@=\"default\"\r\n";
  RegTextDocument doc;
  std::vector<RegTextProblem> problems;
  ASSERT_TRUE(parse_reg_text(text, &doc, &problems));
  ASSERT_EQ(doc.keys.size(), 1u);
  const RegTextKey& key = doc.keys[0];
  EXPECT_EQ(key.path, "HKEY_LOCAL_MACHINE\\SOFTWARE\\Veldmark\\Transfer\\TransferOptions");
  ASSERT_EQ(key.values.size(), 4u);
  EXPECT_EQ(key.values[1].text, "C:\\Survey \"Jobs\"\\");
  EXPECT_EQ(key.values[2].type, 4u);
  EXPECT_EQ(key.values[2].number, 10u);
  EXPECT_EQ(key.values[3].name, "");

  RegTextDocument again;
  ASSERT_TRUE(parse_reg_text(serialize_reg_text(doc), &again, &problems));
  ASSERT_EQ(again.keys.size(), 1u);
  EXPECT_EQ(again.keys[0].values[1].text, key.values[1].text);
  EXPECT_EQ(again.keys[0].values[2].number, 10u);
}

TEST(RegText, ReadsUtf16FilesAndHexContinuations) {
  const std::string utf8 =
      "Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\X]\n\"Name\"=\"Zürich\"\n"
      "\"Path\"=hex(2):43,00,3a,00,\\\n  5c,00,00,00\n";
  std::string utf16 = "\xFF\xFE";
  for (char16_t u : std::u16string(u"Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\X]\n\"Name\"=\"Z\u00fcrich\"\n")) {
    utf16 += static_cast<char>(u & 0xFF);
    utf16 += static_cast<char>(u >> 8);
  }
  RegTextDocument doc;
  std::vector<RegTextProblem> problems;
  ASSERT_TRUE(parse_reg_text(utf16, &doc, &problems));
  EXPECT_EQ(doc.keys.at(0).values.at(0).text, "Zürich");
  ASSERT_TRUE(parse_reg_text(utf8, &doc, &problems));
  EXPECT_EQ(doc.keys.at(0).values.at(1).type, 2u);
  EXPECT_EQ(doc.keys.at(0).values.at(1).text, "C:\\");
}

TEST(RegText, DamagedFilesAreReportedNotFatal) {
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
  ASSERT_EQ(doc.keys[0].values.size(), 1u);  // the good line survives
  EXPECT_EQ(doc.keys[0].values[0].name, "ok");
  EXPECT_EQ(problems.size(), 3u);
}

}  // namespace
}  // namespace vmt::platform
