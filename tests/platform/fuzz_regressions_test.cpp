// Inputs that the fuzz targets of tests/fuzz found or that stand for their
// nastiest seeds: each must be read without harm and give a sane result.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/common/ini_file.h"
#include "platform/common/manual_clock.h"
#include "platform/common/message_source.h"
#include "platform/common/reg_text.h"
#include "platform/emulator/emulated_device.h"
#include "support/temp_folder.h"

namespace vmt::platform {
namespace {

std::string binary_blob() {
  std::string blob;
  for (int i = 0; i < 4096; ++i) blob += static_cast<char>((i * 37 + i / 256) & 0xFF);
  return blob;
}

TEST(FuzzRegressions, HexValueEndingInABackslashDoesNotSwallowTheNextLineWhenWrittenBack) {
  // The continuation mark without a continuation: "= hex" is not joined, and a
  // hex list may end on a line that starts with a quote.
  const std::string text =
      "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Veldmark]\r\n"
      "\"a\"= hex:01,02,\\\r\n\"b\"=\"after\"\r\n\"c\"=hex(7):41,00,\\\r\n\"d\"\\\r\n"
      "\"e\"=dword:00000005\r\n";
  RegTextDocument document;
  std::vector<RegTextProblem> problems;
  ASSERT_TRUE(parse_reg_text(text, &document, &problems));
  ASSERT_EQ(document.keys.size(), 1u);
  ASSERT_EQ(document.keys[0].values.size(), 4u);
  EXPECT_EQ(document.keys[0].values[0].raw, "hex:01,02,");
  EXPECT_EQ(document.keys[0].values[2].raw, "hex(7):41,00,\"d\"");

  const std::string written = serialize_reg_text(document);
  RegTextDocument again;
  ASSERT_TRUE(parse_reg_text(written, &again, &problems));
  ASSERT_EQ(again.keys.size(), 1u);
  ASSERT_EQ(again.keys[0].values.size(), 4u);
  EXPECT_EQ(again.keys[0].values[1].name, "b");
  EXPECT_EQ(again.keys[0].values[1].text, "after");
  EXPECT_EQ(again.keys[0].values[3].number, 5u);
  EXPECT_EQ(serialize_reg_text(again), written);
}

TEST(FuzzRegressions, ValuesKeptAsWrittenAreWrittenBackTheSameWay) {
  // hex(4) and hex(1) are a number and a text written as bytes; the store keeps
  // them as written rather than turn them into a zero and an empty text.
  const std::string text =
      "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Veldmark]\r\n"
      "\"n\"=hex(4):2a,00,00,00\r\n\"s\"=hex(1):41,00,00,00\r\n";
  RegTextDocument document;
  std::vector<RegTextProblem> problems;
  ASSERT_TRUE(parse_reg_text(text, &document, &problems));
  const std::string written = serialize_reg_text(document);
  EXPECT_NE(std::string::npos, written.find("\"n\"=hex(4):2a,00,00,00\r\n"));
  EXPECT_NE(std::string::npos, written.find("\"s\"=hex(1):41,00,00,00\r\n"));
}

TEST(FuzzRegressions, RegistryTextOfBinaryBytesIsDamagedNotFatal) {
  RegTextDocument document;
  std::vector<RegTextProblem> problems;
  EXPECT_FALSE(parse_reg_text(binary_blob(), &document, &problems));
  EXPECT_FALSE(problems.empty());
  EXPECT_FALSE(parse_reg_text("\xFF\xFE" + binary_blob(), &document, &problems));
  // A key line of one mebibyte and no line end.
  EXPECT_TRUE(
      parse_reg_text("REGEDIT4\n[" + std::string(1 << 20, 'k') + "]", &document, &problems));
  ASSERT_EQ(document.keys.size(), 1u);
  EXPECT_EQ(document.keys[0].path.size(), 1u << 20);
}

TEST(FuzzRegressions, SettingsFileOfOneHugeKeyIsCutToTheBuffer) {
  const std::string value(1 << 20, 'v');
  const IniFile ini = IniFile::parse("[Settings]\nDataPath=" + value);  // no line end
  std::string out = "left over";
  EXPECT_EQ(ini.get_string("Settings", "DataPath", "", &out, std::string::npos), value.size());
  EXPECT_EQ(out, value);
  EXPECT_EQ(ini.get_string("Settings", "DataPath", "", &out, 1), 0u);
  EXPECT_EQ(out, "");
  EXPECT_EQ(ini.get_string("Settings", "DataPath", "", &out, 0), 0u);
  EXPECT_EQ(out, "");
  // Stray continuation bytes after a UTF-8 mark are replacement characters,
  // and a cut never ends inside one.
  const IniFile odd = IniFile::parse("\xEF\xBB\xBF[S]\nk=\x80\x80\xC3\xBC");
  EXPECT_EQ(odd.get_string("S", "k", "", &out, 4), 3u);
  EXPECT_EQ(odd.get_string("S", "k", "", &out, 6), 3u);
  EXPECT_EQ(odd.get_string("S", "k", "", &out, 9), 8u);
  EXPECT_EQ(out, "\xEF\xBF\xBD\xEF\xBF\xBD\xC3\xBC");
  const IniFile blob = IniFile::parse(binary_blob() + "\n[Vmt Settings]\nDataPath=x\n");
  EXPECT_EQ(blob.get_string("Vmt Settings", "DataPath", "", &out, 260), 1u);
  EXPECT_EQ(out, "x");
}

TEST(FuzzRegressions, MessageFileOfBinaryBytesGivesOnlyDecodableTexts) {
  std::vector<int> bad;
  const auto texts = parse_message_source(binary_blob() + "\n50000\tVeldmark", &bad);
  ASSERT_EQ(texts.count(50000), 1u);
  EXPECT_EQ(texts.at(50000), "Veldmark");
  for (const auto& [number, text] : texts) EXPECT_FALSE(text.empty()) << number;
  std::string decoded;
  EXPECT_FALSE(decode_message_escapes("ends in a backslash\\", &decoded));
}

#ifndef _WIN32
// Links inside the device's folder that point out of it are never followed.
TEST(FuzzRegressions, EmulatedDeviceRefusesLinksOutOfItsFolder) {
  test::TempFolder folder;
  folder.write_file("outside/secret.txt", "secret");
  folder.write_file("device/fs/Data/inner.txt", "inner");
  namespace fs = std::filesystem;
  fs::create_directory_symlink(fs::u8path(folder.path("outside")),
                               fs::u8path(folder.path("device/fs/Data/Link out")));
  fs::create_symlink(fs::u8path(folder.path("outside/secret.txt")),
                     fs::u8path(folder.path("device/fs/secret.txt")));
  ManualClock clock;
  EmulatedDevice device(folder.path("device"), clock);
  RapiInit init;
  ASSERT_EQ(0, device.CeRapiInitEx(&init));
  ASSERT_EQ(0u, device.WaitForInitEvent(&init, 1000));

  for (const std::u16string& path :
       {std::u16string(u"\\Data\\Link out\\secret.txt"), std::u16string(u"\\SECRET.TXT"),
        std::u16string(u"\\data\\link OUT\\secret.txt")}) {
    EXPECT_EQ(kCeInvalidHandle,
              device.CeCreateFile(path, ce::kGenericRead, 0, ce::kOpenExisting, 0));
    EXPECT_EQ(error::kBadPathName, device.CeGetLastError());
  }
  EXPECT_FALSE(device.CeCreateDirectory(u"\\Data\\Link out\\made"));
  EXPECT_FALSE(fs::exists(fs::u8path(folder.path("outside/made"))));
  std::vector<CeFindData> found;
  EXPECT_FALSE(device.CeFindAllFiles(u"\\Data\\Link out\\*.*", 0xBF, &found));
  ASSERT_TRUE(device.CeFindAllFiles(u"\\Data\\*.*", 0xBF, &found));
  ASSERT_EQ(found.size(), 1u);  // the link itself is not listed
  EXPECT_EQ(found[0].cFileName, u"inner.txt");
}
#endif

}  // namespace
}  // namespace vmt::platform
