// The device link against the emulated data collector: connection results,
// the clock check, the field program choice and running state, the projects
// folder, and the remote folder operations.
#include "device/device_link.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>

#include "device/clock_check.h"
#include "device/field_program.h"
#include "device/projects_folder.h"
#include "platform/emulator/emulated_device.h"
#include "support/fake_platform.h"
#include "support/fakes.h"

namespace vmt::device {
namespace {

const char kPlotwiseKey[] = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Veldmark Software, Inc.\\Plotwise";
const char kSceneledgerKey[] =
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Veldmark Software, Inc.\\Sceneledger";

class Lines : public app::StatusRecord {
 public:
  void append_status_line(const std::string& text) override { lines.push_back(text); }
  void set_status_text(const std::string& text) override { current = text; }
  std::vector<std::string> lines;
  std::string current;
};

class DeviceLink : public ::testing::Test {
 protected:
  void SetUp() override {
    registry(std::string("[") + kPlotwiseKey +
             "]\n\"InstallLoc\"=\"\\\\Program Files\\\\Plotwise\"\n\"StatusRunning\"=\"NO\"\n");
    vmark("[Settings]\r\nDataPath=\\Projects\r\n");
    write("fs/Projects/Job 1/a.raw", "raw");
    write("fs/Temp/keep", "");
    device_ini("");
  }
  void write(const std::string& relative, const std::string& contents) {
    fake_.folder.write_file("device/" + relative, contents);
  }
  void registry(const std::string& keys) {
    write("registry.reg", "Windows Registry Editor Version 5.00\n\n" + keys);
  }
  void vmark(const std::string& contents) {
    write("fs/Program Files/Plotwise/Programs/vmark.ini", contents);
  }
  void device_ini(const std::string& lines) { write("device.ini", "[Device]\n" + lines); }

  app::RunContext& c() {
    if (!context_) {
      device_ = std::make_unique<platform::EmulatedDevice>(fake_.folder.path("device"),
                                                           fake_.clock);
      platform_ = std::make_unique<platform::Platform>(platform::Platform{
          fake_.registry, fake_.platform().files, fake_.shell, fake_.windows, fake_.clock,
          *device_, fake_.resources});
      context_ = std::make_unique<app::RunContext>(*platform_, boxes_, log_, texts_);
      context_->status_record = &status_;
      context_->report.open_transfer_report();
    }
    return *context_;
  }
  std::string report() {
    std::string text;
    for (char ch : fake_.folder.read_file(
             "shell/AppData/Stakeline Exchange/Transfer Sync log most recent.txt")) {
      if (ch != '\r') text += ch;
    }
    return text;
  }
  bool has_line(const std::string& line) { return report().find(line) != std::string::npos; }
  int connect(bool ask = false) {
    const int result = connect_to_device(c(), true, ask);
    if (result == status::kSuccess) disconnect_from_device(c());
    return result;
  }
  std::vector<std::string> box_texts() {
    std::vector<std::string> texts;
    for (const auto& box : boxes_.shown) texts.push_back(box.text);
    return texts;
  }

  test::FakePlatform fake_;
  test::ScriptedMessageBoxes boxes_;
  app::BuiltInStringTable table_;
  app::MessageTexts texts_{boxes_, table_};
  test::RecordingLog log_;
  Lines status_;
  std::unique_ptr<platform::EmulatedDevice> device_;
  std::unique_ptr<platform::Platform> platform_;
  std::unique_ptr<app::RunContext> context_;
};

TEST_F(DeviceLink, AConnectedDeviceGivesItsProjectsFolderOnce) {
  EXPECT_EQ(status::kSuccess, connect());
  EXPECT_FALSE(c().connected);
  EXPECT_EQ("\\Projects", c().projects_folder);
  EXPECT_EQ("\\Program Files\\Plotwise\\Programs\\vmark.ini", c().device_settings_file);
  EXPECT_TRUE(boxes_.shown.empty());
  EXPECT_TRUE(status_.lines.empty());
  EXPECT_TRUE(has_line("Projects folder found on data collector::::\\Projects"));

  // The second lookup reads nothing from the device, even a changed one.
  vmark("[Settings]\nDataPath=\\Elsewhere\n");
  write("fs/Elsewhere/x", "");
  std::string folder;
  std::string settings;
  ASSERT_EQ(status::kSuccess, connect_to_device(c(), false, false));
  EXPECT_EQ(status::kSuccess, get_collector_projects_folder(c(), &folder, &settings));
  disconnect_from_device(c());
  EXPECT_EQ("\\Projects", folder);

  // No temporary copy is left on the desktop.
  const std::string temp = fake_.platform().files.temp_folder();
  platform::FindData data;
  const auto find = fake_.platform().files.find_first(temp + "vmtransfer-vmark-*", &data);
  EXPECT_EQ(platform::kInvalidFind, find);
}

TEST_F(DeviceLink, ConnectionFailuresGiveTheirCodesAndTexts) {
  device_ini("Present=0\n");
  EXPECT_EQ(status::kConnectTimeout, connect());
  EXPECT_FALSE(c().connected);
  std::string text;
  EXPECT_TRUE(status_text_for_code(c(), status::kConnectTimeout, &text));
  EXPECT_EQ(
      "Unable to connect to data collector. Use Microsoft ActiveSync to make the connection.",
      text);
  device_ini("InitFails=1\n");
  EXPECT_EQ(status::kInitFailed, connect());
  device_ini("WaitFails=1\n");
  EXPECT_EQ(status::kConnectFailed, connect());
  EXPECT_TRUE(has_line("Unable to connect to data collector (-1)."));
  // The event signals, but the connection completed with a failure.
  device_ini("InitResultFails=1\n");
  EXPECT_EQ(status::kInitFailed, connect());
  EXPECT_FALSE(c().connected);
  EXPECT_TRUE(has_line("The connection to the data collector failed (0x80004005)."));
  EXPECT_TRUE(status_text_for_code(c(), status::kSettingsCopyFailed, &text));
  EXPECT_EQ("Program is running on data collector, please close it and try again.", text);
  const std::size_t logged = log_.count();
  EXPECT_FALSE(status_text_for_code(c(), status::kCancelled, &text));
  EXPECT_EQ(logged + 1, log_.count());
}

TEST_F(DeviceLink, TheClockIsCheckedOncePerRunWithItsThresholds) {
  struct Case {
    int offset;
    std::size_t lines;
    std::size_t boxes;
    const char* phrase;
  };
  for (const Case& k : {Case{120, 0, 0, ""}, Case{-121, 1, 0, "two minutes"},
                        Case{3600, 1, 0, "two minutes"}, Case{-3601, 1, 1, "one hour"},
                        Case{25 * 3600, 1, 1, "one day"}}) {
    SCOPED_TRACE(k.offset);
    context_.reset();
    status_.lines.clear();
    boxes_.shown.clear();
    device_ini("ClockOffsetSeconds=" + std::to_string(k.offset) + "\n");
    ASSERT_EQ(status::kSuccess, connect());
    ASSERT_EQ(k.lines, status_.lines.size());
    EXPECT_EQ(k.boxes, boxes_.shown.size());
    if (k.lines > 0) {
      EXPECT_NE(std::string::npos, status_.lines[0].find(k.phrase));
    }
    if (k.boxes > 0) {
      EXPECT_EQ(status_.lines[0], boxes_.shown[0].text);
      EXPECT_EQ(app::mb::kOk, boxes_.shown[0].style);
    }
    // Every command reconnects; the warning is not repeated.
    ASSERT_EQ(status::kSuccess, connect());
    EXPECT_EQ(k.lines, status_.lines.size());
    EXPECT_EQ(k.boxes, boxes_.shown.size());
  }
}

TEST_F(DeviceLink, TheFieldProgramIsChosenOnceAndItsRunningStateReadEachTime) {
  registry(std::string("[") + kSceneledgerKey +
           "]\n\"InstallLoc\"=\"\\\\Program Files\\\\Sceneledger\"\n\"StatusRunning\"=\"yEs\"\n");
  write("fs/Program Files/Sceneledger/Programs/vmark.ini", "[EVR]\nDATADIR=\\SL Projects\n");
  write("fs/SL Projects/x", "");
  EXPECT_EQ(status::kSuccess, connect());
  EXPECT_EQ(2, c().field_program);
  EXPECT_EQ("\\SL Projects", c().projects_folder);
  ASSERT_EQ(1u, boxes_.shown.size());
  EXPECT_EQ(0u, boxes_.shown[0].text.find("WARNING: Sceneledger is currently running"));
  EXPECT_EQ(app::mb::kOk | app::mb::kIconWarning, boxes_.shown[0].style);

  // With ask, Cancel gives 500 and closes the connection.
  boxes_.answers.push_back(app::id::kCancel);
  EXPECT_EQ(status::kCancelled, connect_to_device(c(), true, true));
  EXPECT_FALSE(c().connected);
  EXPECT_EQ(app::mb::kOkCancel | app::mb::kIconQuestion, boxes_.shown.back().style);
}

TEST_F(DeviceLink, BothProgramsAskOnceAndAMissingStateShowsItsBox) {
  registry(std::string("[") + kPlotwiseKey +
           "]\n\"InstallLoc\"=\"\\\\Program Files\\\\Plotwise\"\n\n[" + kSceneledgerKey +
           "]\n\"InstallLoc\"=\"\\\\Program Files\\\\Sceneledger\"\n");
  boxes_.answers.push_back(app::id::kYes);
  EXPECT_EQ(status::kSuccess, connect());
  EXPECT_EQ(1, c().field_program);
  ASSERT_EQ(2u, boxes_.shown.size());
  EXPECT_EQ(app::mb::kYesNo, boxes_.shown[0].style);
  EXPECT_EQ(std::string("Error 324-876Y, unable to find DEVICE:") + kPlotwiseKey +
                "\\StatusRunning",
            boxes_.shown[1].text);

  boxes_.shown.clear();
  context_->projects_folder.clear();
  EXPECT_EQ(status::kSuccess, connect());
  EXPECT_EQ((std::vector<std::string>{std::string("Error 324-876Y, unable to find DEVICE:") +
                                      kPlotwiseKey + "\\StatusRunning"}),
            box_texts());
}

TEST_F(DeviceLink, NoFieldProgramOrABadInstallLocationStopsTheLookup) {
  registry("");
  EXPECT_EQ(status::kNoProduct, connect());
  EXPECT_EQ("No Veldmark products found on data collector", boxes_.shown.at(0).text);
  EXPECT_EQ(app::mb::kOk | app::mb::kIconInformation, boxes_.shown[0].style);
  EXPECT_TRUE(has_line("Veldmark not installed::::Error while attempting"));

  context_.reset();
  registry(std::string("[") + kPlotwiseKey + "]\n\"InstallLoc\"=\"\\\\\"\n");
  EXPECT_EQ(status::kNoInstallLocation, connect());

  context_.reset();
  boxes_.shown.clear();
  registry(std::string("[") + kPlotwiseKey + "]\n\"Version\"=\"4\"\n");
  std::string location = "old";
  ASSERT_EQ(status::kSuccess, connect_to_device(c(), false, false));
  EXPECT_EQ(-2, get_install_location(c(), FieldProgram::kPlotwise, &location));
  EXPECT_EQ(-3, get_install_location(c(), FieldProgram::kSceneledger, &location));
  EXPECT_EQ("old", location);
  EXPECT_EQ(std::string("Error 34-876Y, unable to find DEVICE:") + kPlotwiseKey + "\\InstallLoc",
            boxes_.shown.back().text);
  disconnect_from_device(c());
}

TEST_F(DeviceLink, TheSettingsFileDecidesTheProjectsFolder) {
  struct Case {
    const char* ini;
    int expected;
    const char* folder;
  };
  for (const Case& k :
       {Case{"[Settings]\nDATADIR=\\Projects\\Old\nDataPath=\\Projects\n", 1, "\\Projects"},
        Case{"[FGEN]\nDATADIR=\\Projects\n", 1, "\\Projects"},
        Case{"[EVR]\nDATADIR=\\Projects\n", status::kNoDataDir, ""},
        Case{"[Settings]\nDataPath=\n", status::kNoDataDir, ""},
        Case{"[Settings]\nDataPath=\\Missing\n", status::kNoProjectsFolder, ""}}) {
    SCOPED_TRACE(k.ini);
    context_.reset();
    vmark(k.ini);
    EXPECT_EQ(k.expected, connect());
    if (k.expected == status::kSuccess) {
      EXPECT_EQ(k.folder, c().projects_folder);
    }
    if (k.expected == status::kNoDataDir) {
      // The copy is kept for diagnosis, and the report says where.
      const std::string line = "device vmark.ini file, critical error.::::";
      const std::string text = report();
      const std::size_t at = text.find(line);
      ASSERT_NE(std::string::npos, at);
      const std::string copy = text.substr(at + line.size(), text.find('\n', at) - at - line.size());
      std::ifstream kept(std::filesystem::u8path(copy), std::ios::binary);
      const std::string contents((std::istreambuf_iterator<char>(kept)),
                                 std::istreambuf_iterator<char>());
      EXPECT_EQ(k.ini, contents);
      kept.close();
      std::filesystem::remove(std::filesystem::u8path(copy));
    }
  }

  context_.reset();
  std::remove(fake_.folder.path("device/fs/Program Files/Plotwise/Programs/vmark.ini").c_str());
  EXPECT_EQ(status::kSettingsCopyFailed, connect());
  EXPECT_TRUE(has_line("Unable to copy ini file from device to desktop, critical error.::::"
                       "\\Program Files\\Plotwise\\Programs\\vmark.ini"));
}

TEST_F(DeviceLink, HostileSettingsFilesGiveACodeAndNeverAFolderOutsideTheDevice) {
  std::string binary(4096, '\0');
  for (std::size_t i = 0; i < binary.size(); ++i) binary[i] = static_cast<char>(i * 37 % 256);
  const std::string big = "[Settings]\nDataPath=\\Projects\n" + std::string(10 << 20, 'x');
  struct Case {
    std::string ini;
    const char* why;
  };
  for (const Case& k : {Case{"", "empty"}, Case{binary, "binary"}, Case{big, "10 MiB"},
                        Case{"[Settings] DataPath=\\Projects", "no line ends"},
                        Case{"[Settings]\nDataPath=\\Missing\nDataPath=\\Projects\n", "repeated"},
                        Case{"[Settings]\nDataPath=\\..\\..\\etc\n", "outside the root"},
                        Case{"[Settings]\nDataPath=..\\..\n", "relative"}}) {
    SCOPED_TRACE(k.why);
    context_.reset();
    vmark(k.ini);
    const int code = connect();
    EXPECT_TRUE(code == status::kSuccess || (code >= 401 && code <= 412)) << code;
    // Only a folder of the device itself is ever taken.
    const std::string& folder = c().projects_folder;
    EXPECT_TRUE(folder.empty() || (folder[0] == '\\' && folder.find("..") == std::string::npos))
        << folder;
  }
  // Nothing was written beside the device's own folders.
  for (const auto& item : std::filesystem::directory_iterator(
           std::filesystem::u8path(fake_.folder.path("device")))) {
    const std::string name = item.path().filename().u8string();
    EXPECT_TRUE(name == "fs" || name == "registry.reg" || name == "device.ini" ||
                name == "filetimes.txt")
        << name;
  }
}

TEST_F(DeviceLink, RemoteFoldersAreFoundAndMadeOneLevelAtATime) {
  ASSERT_EQ(status::kSuccess, connect_to_device(c(), false, false));
  EXPECT_TRUE(find_file_on_device(c(), "\\Projects\\", false));
  EXPECT_FALSE(find_file_on_device(c(), "\\Nothing", true));
  EXPECT_TRUE(has_line("Unable to find this file on the data collector::::\\Nothing"));
  EXPECT_TRUE(create_dir_on_device(c(), "\\Projects"));
  EXPECT_TRUE(has_line("Begin creating directory on device: \\Projects ... already exists"));
  EXPECT_FALSE(create_dir_on_device(c(), "\\No\\Parent"));
  EXPECT_TRUE(make_subdir_on_device(c(), "\\Projects\\", "Job 2"));
  EXPECT_TRUE(find_file_on_device(c(), "\\Projects\\Job 2", false));

  EXPECT_TRUE(copy_collector_file_to_desktop(c(), "\\Projects\\Job 1\\a.raw",
                                             fake_.folder.path(), true));
  EXPECT_EQ("raw", fake_.folder.read_file("a.raw"));
  EXPECT_TRUE(has_line("                Successful"));
  EXPECT_FALSE(copy_collector_file_to_desktop(c(), "\\Projects\\gone.raw", fake_.folder.path(),
                                              false));
  EXPECT_TRUE(has_line("Unable to access (attempting to copy file)::::\\Projects\\gone.raw"));

  report_remote_error(c(), "ERR-1", "while copying");
  EXPECT_EQ("Veldmark - ERR-1", boxes_.shown.back().caption);
  EXPECT_EQ(status::kSuccess, disconnect_from_device(c()));
}

}  // namespace
}  // namespace vmt::device
