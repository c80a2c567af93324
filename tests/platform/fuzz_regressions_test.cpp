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

TEST(FuzzRegressions, RegistryTextIsReadSanelyAndWrittenBackStably) {
  const std::string head =
      "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Veldmark]\r\n";
  const std::string huge_key(1 << 20, 'k');
  struct Case {
    std::string text;
    bool well_formed;
    std::size_t values;                // of the first key, when there is one
    std::vector<std::string> written;  // lines the text is written back with
  };
  const Case cases[] = {
      // A continuation mark without a continuation: "= hex" is not joined,
      // and a hex list may end on a line that starts with a quote.
      {head + "\"a\"= hex:01,02,\\\r\n\"b\"=\"after\"\r\n\"c\"=hex(7):41,00,\\\r\n\"d\"\\\r\n"
              "\"e\"=dword:00000005\r\n",
       true, 4,
       {"\"a\"=hex:01,02,\r\n\"b\"=\"after\"\r\n\"c\"=hex(7):41,00,\"d\"\r\n",
        "\"e\"=dword:00000005\r\n"}},
      // A number and a text written as bytes are kept as written, not made a
      // zero and an empty text.
      {head + "\"n\"=hex(4):2a,00,00,00\r\n\"s\"=hex(1):41,00,00,00\r\n", true, 2,
       {"\"n\"=hex(4):2a,00,00,00\r\n\"s\"=hex(1):41,00,00,00\r\n"}},
      {binary_blob(), false, 0, {}},
      {"\xFF\xFE" + binary_blob(), false, 0, {}},
      {"REGEDIT4\n[" + huge_key + "]", true, 0, {"[" + huge_key + "]\r\n"}},  // no line end
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text.substr(0, 80));
    RegTextDocument document;
    std::vector<RegTextProblem> problems;
    EXPECT_EQ(c.well_formed, parse_reg_text(c.text, &document, &problems));
    EXPECT_EQ(c.well_formed, problems.empty());
    if (!c.well_formed) continue;
    ASSERT_EQ(document.keys.size(), 1u);
    EXPECT_EQ(document.keys[0].values.size(), c.values);
    const std::string written = serialize_reg_text(document);
    for (const std::string& line : c.written) EXPECT_NE(written.find(line), std::string::npos);
    RegTextDocument again;
    EXPECT_TRUE(parse_reg_text(written, &again, &problems));
    EXPECT_EQ(serialize_reg_text(again), written);
  }
}

TEST(FuzzRegressions, SettingsFilesAreReadSanelyAndCutToTheBuffer) {
  const std::string huge(1 << 20, 'v');
  // Stray continuation bytes after a UTF-8 mark are replacement characters,
  // and a cut never ends inside one.
  const std::string odd = "\xEF\xBB\xBF[S]\nk=\x80\x80\xC3\xBC";
  const std::string replaced = "\xEF\xBF\xBD\xEF\xBF\xBD\xC3\xBC";
  struct Case {
    std::string text;
    std::size_t size;
    std::string value;
  };
  const Case cases[] = {
      {"[S]\nk=" + huge, std::string::npos, huge},  // one huge key and no line end
      {"[S]\nk=" + huge, 1, ""},
      {"[S]\nk=" + huge, 0, ""},
      {odd, 4, replaced.substr(0, 3)},
      {odd, 6, replaced.substr(0, 3)},
      {odd, 9, replaced},
      {binary_blob() + "\n[S]\nk=x\n", 260, "x"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.size);
    std::string out = "left over";
    EXPECT_EQ(IniFile::parse(c.text).get_string("S", "k", "", &out, c.size), c.value.size());
    EXPECT_EQ(out, c.value);
  }
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
  namespace fs = std::filesystem;
  test::TempFolder folder;
  folder.write_file("outside/secret.txt", "secret");
  folder.write_file("device/fs/Data/inner.txt", "inner");
  fs::create_directory_symlink(fs::u8path(folder.path("outside")),
                               fs::u8path(folder.path("device/fs/Data/Link out")));
  fs::create_symlink(fs::u8path(folder.path("outside/secret.txt")),
                     fs::u8path(folder.path("device/fs/secret.txt")));
  ManualClock clock;
  EmulatedDevice device(folder.path("device"), clock);
  RapiInit init;
  ASSERT_EQ(0, device.CeRapiInitEx(&init));
  ASSERT_EQ(0u, device.WaitForInitEvent(&init, 1000));
  for (const char16_t* path :
       {u"\\Data\\Link out\\secret.txt", u"\\SECRET.TXT", u"\\data\\link OUT\\secret.txt"}) {
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
