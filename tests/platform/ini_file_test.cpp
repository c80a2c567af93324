#include "platform/common/ini_file.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace vmt::platform
