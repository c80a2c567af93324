#include "platform/common/ini_file.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

#include "platform/common/utf.h"

namespace vmt::platform {
namespace {

std::string read(const IniFile& ini, const std::string& section, const std::string& key,
                 std::size_t size = 4096, const std::string& def = "") {
  std::string out;
  const std::size_t n = ini.get_string(section, key, def, &out, size);
  EXPECT_EQ(n, out.size());
  return out;
}

TEST(IniFile, SectionsAndKeysIgnoreCaseAndValuesAreTrimmed) {
  const IniFile ini = IniFile::parse(
      "; vmark settings\r\n[Settings]\r\n  DataPath =  \\Storage Card\\Projects  \r\n"
      "DATADIR=\\Other\r\n[FGEN]\nDATADIR=\"\\My Documents\\Jobs\"\n");
  EXPECT_EQ(read(ini, "settings", "datapath"), "\\Storage Card\\Projects");
  EXPECT_EQ(read(ini, "SETTINGS", "DataDir"), "\\Other");
  EXPECT_EQ(read(ini, "fgen", "datadir"), "\\My Documents\\Jobs");  // one pair of quotes removed
  EXPECT_EQ(read(ini, "EVR", "DATADIR", 4096, "Empty"), "Empty");
  EXPECT_EQ(read(ini, "Settings", "Missing", 4096, "  def  "), "  def");  // default trimmed at the end
}

TEST(IniFile, FirstSectionAndFirstKeyWin) {
  const IniFile ini = IniFile::parse("[A]\nk=1\nk=2\n[a]\nk=3\nj=4\n");
  EXPECT_EQ(read(ini, "A", "k"), "1");
  EXPECT_EQ(read(ini, "A", "j"), "");  // only the first section of a name counts
}

TEST(IniFile, ValueIsCutToTheBufferAndCountReturned) {
  const IniFile ini = IniFile::parse("[Path]\nCADDLL=C:\\Prog\\Vistaplot\\Programs\n");
  std::string out;
  EXPECT_EQ(ini.get_string("Path", "CADDLL", "", &out, 8), 7u);
  EXPECT_EQ(out, "C:\\Prog");
  EXPECT_EQ(ini.get_string("Path", "CADDLL", "", &out, 0), 0u);
}

TEST(IniFile, HostileContentsDoNotBreakTheReader) {
  EXPECT_EQ(read(IniFile::parse(""), "Settings", "DataPath"), "");
  EXPECT_EQ(read(IniFile::parse(std::string("\0\xFF\x01\n[Settings]\nDataPath=x", 25)), "Settings",
                 "DataPath"),
            "x");
  EXPECT_EQ(read(IniFile::parse("DataPath=outside\n[Settings]\n"), "Settings", "DataPath"), "");
  EXPECT_EQ(read(IniFile::parse("[Settings]DataPath=x"), "Settings", "DataPath"), "");
  EXPECT_EQ(read(IniFile::parse("\xEF\xBB\xBF[S]\nk='v'"), "S", "k"), "v");
  EXPECT_EQ(read(IniFile::parse("[S]\nk=\""), "S", "k"), "\"");
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

TEST(IniFile, FilesAreDecodedAsTheProfileFunctionsDecodeThem) {
  const std::string text = "[Settings]\r\nDataPath=\\Gr\xC3\xBCn \xE2\x82\xAC \xE6\xB8\xAC\r\n";
  const std::string value = "\\Gr\xC3\xBCn \xE2\x82\xAC \xE6\xB8\xAC";
  EXPECT_EQ(read(IniFile::parse(utf16_file(text, false)), "settings", "datapath"), value);
  EXPECT_EQ(read(IniFile::parse(utf16_file(text, true)), "Settings", "DataPath"), value);
  // Half a character at the end is dropped, not read as one.
  EXPECT_EQ(read(IniFile::parse(utf16_file("[S]\nk=ab", false) + "c"), "S", "k"), "ab");
  EXPECT_EQ(read(IniFile::parse("\xFF\xFE"), "S", "k"), "");
  // UTF-8 after its mark; a broken sequence is one replacement character.
  EXPECT_EQ(read(IniFile::parse("\xEF\xBB\xBF" + text), "Settings", "DataPath"), value);
  EXPECT_EQ(read(IniFile::parse("\xEF\xBB\xBF[S]\nk=a\xC3z"), "S", "k"), "a\xEF\xBF\xBDz");
}

TEST(IniFile, FilesWithoutAMarkAreInTheAnsiCodePage) {
#ifdef _WIN32
  if (GetACP() != 1252) GTEST_SKIP() << "the system's ANSI code page is " << GetACP();
#endif
  // Western European: u with diaeresis, the euro sign, and an undefined byte.
  const IniFile ini = IniFile::parse("[S]\r\nk=\\Gr\xFCn \x80\x81\r\n");
  EXPECT_EQ(read(ini, "S", "k"), "\\Gr\xC3\xBCn \xE2\x82\xAC\xC2\x81");
  // A cut never splits a character that the decoding made longer.
  EXPECT_EQ(read(ini, "S", "k", 6), "\\Gr\xC3\xBC");
  EXPECT_EQ(read(ini, "S", "k", 5), "\\Gr");
}

}  // namespace
}  // namespace vmt::platform
