// The device link against the emulated data collector: connection results,
// the clock check, the field program's choice and running state, the projects
// folder from the device's settings file, and the remote folder operations.
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

const std::string kPlotwise = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Veldmark Software, Inc.\\Plotwise";
const std::string kSceneledger =
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Veldmark Software, Inc.\\Sceneledger";

class DeviceLink : public ::testing::Test {
 protected:
  void SetUp() override {
    registry("[" + kPlotwise +
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

  // A new run: its context is made at first use.
  void new_run() {
    context_.reset();
    status_ = test::RecordingStatus();
    boxes_.shown.clear();
  }
  app::RunContext& c() {
    if (!context_) {
      platform_ = std::make_unique<platform::Platform>(
          platform::Platform{fake_.registry, fake_.platform().files, fake_.shell, fake_.windows,
                             fake_.clock, device_, fake_.resources});
      context_ = std::make_unique<app::RunContext>(*platform_, boxes_, log_, texts_);
      context_->status_record = &status_;
      context_->report.open_transfer_report();
    }
    return *context_;
  }
  std::string report() {
    std::string text = fake_.folder.read_file(
        "shell/AppData/Stakeline Exchange/Transfer Sync log most recent.txt");
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    return text;
  }
  bool has_line(const std::string& line) { return report().find(line) != std::string::npos; }
  int connect(bool ask = false) {
    const int result = connect_to_device(c(), true, ask);
    if (result == status::kSuccess) disconnect_from_device(c());
    return result;
  }
  std::size_t status_lines() {
    return static_cast<std::size_t>(
        std::count(status_.history.begin(), status_.history.end(), '\n'));
  }

  test::FakePlatform fake_;
  platform::EmulatedDevice device_{fake_.folder.path("device"), fake_.clock};
  test::ScriptedMessageBoxes boxes_;
  app::BuiltInStringTable table_;
  app::MessageTexts texts_{boxes_, table_};
  test::RecordingLog log_;
  test::RecordingStatus status_;
  std::unique_ptr<platform::Platform> platform_;
  std::unique_ptr<app::RunContext> context_;
};

TEST_F(DeviceLink, AConnectedDeviceGivesItsProjectsFolderOnce) {
  EXPECT_EQ(status::kSuccess, connect());
  EXPECT_FALSE(c().connected);
  EXPECT_EQ("\\Projects", c().projects_folder);
  EXPECT_EQ("\\Program Files\\Plotwise\\Programs\\vmark.ini", c().device_settings_file);
  EXPECT_TRUE(boxes_.shown.empty());
  EXPECT_EQ(0u, status_lines());
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
  platform::FindData data;
  EXPECT_EQ(platform::kInvalidFind,
            fake_.platform().files.find_first(
                fake_.platform().files.temp_folder() + "vmtransfer-vmark-*", &data));
}

TEST_F(DeviceLink, EachWayAConnectionFailsHasItsOwnCode) {
  struct Case {
    const char* ini;
    int code;
    const char* line;
  };
  for (const Case& k :
       {Case{"Present=0\n", status::kConnectTimeout, ""},
        Case{"InitFails=1\n", status::kInitFailed, ""},
        Case{"WaitFails=1\n", status::kConnectFailed, "Unable to connect to data collector (-1)."},
        Case{"InitResultFails=1\n", status::kInitFailed,
             "The connection to the data collector failed (0x80004005)."}}) {
    SCOPED_TRACE(k.ini);
    device_ini(k.ini);
    EXPECT_EQ(k.code, connect());
    EXPECT_FALSE(c().connected);
    EXPECT_TRUE(has_line(k.line));
  }
}

TEST_F(DeviceLink, TheClockIsCheckedOncePerRunWithItsThresholds) {
  struct Case {
    int offset;
    std::size_t lines;
    std::size_t boxes;
    const char* phrase;
  };
  for (const Case& k :
       {Case{120, 0, 0, ""}, Case{-121, 1, 0, "two minutes"}, Case{3600, 1, 0, "two minutes"},
        Case{-3601, 1, 1, "one hour"}, Case{25 * 3600, 1, 1, "one day"}}) {
    SCOPED_TRACE(k.offset);
    new_run();
    device_ini("ClockOffsetSeconds=" + std::to_string(k.offset) + "\n");
    ASSERT_EQ(status::kSuccess, connect());
    ASSERT_EQ(k.lines, status_lines());
    EXPECT_EQ(k.boxes, boxes_.shown.size());
    EXPECT_NE(std::string::npos, status_.history.find(k.phrase));
    if (k.boxes > 0) {
      EXPECT_EQ(status_.history, boxes_.shown[0].text);
    }
    // Every command reconnects; the warning is not repeated.
    ASSERT_EQ(status::kSuccess, connect());
    EXPECT_EQ(k.lines, status_lines());
    EXPECT_EQ(k.boxes, boxes_.shown.size());
  }
}

TEST_F(DeviceLink, TheFieldProgramIsChosenOnceAndItsRunningStateReadEachTime) {
  registry("[" + kSceneledger +
           "]\n\"InstallLoc\"=\"\\\\Program Files\\\\Sceneledger\"\n\"StatusRunning\"=\"yEs\"\n");
  write("fs/Program Files/Sceneledger/Programs/vmark.ini", "[EVR]\nDATADIR=\\SL Projects\n");
  write("fs/SL Projects/x", "");
  EXPECT_EQ(status::kSuccess, connect());
  EXPECT_EQ(2, c().field_program);
  EXPECT_EQ("\\SL Projects", c().projects_folder);
  ASSERT_EQ(1u, boxes_.shown.size());
  EXPECT_EQ(0u, boxes_.shown[0].text.find("WARNING: Sceneledger is currently running"));
  // With ask, Cancel gives 500 and closes the connection.
  boxes_.answers.push_back(app::id::kCancel);
  EXPECT_EQ(status::kCancelled, connect_to_device(c(), true, true));
  EXPECT_FALSE(c().connected);

  // Both installed: asked once; a missing running state has its box each time.
  new_run();
  registry("[" + kPlotwise + "]\n\"InstallLoc\"=\"\\\\Program Files\\\\Plotwise\"\n\n[" +
           kSceneledger + "]\n\"InstallLoc\"=\"\\\\Program Files\\\\Sceneledger\"\n");
  boxes_.answers.push_back(app::id::kYes);
  EXPECT_EQ(status::kSuccess, connect());
  EXPECT_EQ(1, c().field_program);
  context_->projects_folder.clear();
  EXPECT_EQ(status::kSuccess, connect());
  const std::string missing =
      "Error 324-876Y, unable to find DEVICE:" + kPlotwise + "\\StatusRunning";
  ASSERT_EQ(3u, boxes_.shown.size());
  EXPECT_EQ(app::mb::kYesNo, boxes_.shown[0].style);
  EXPECT_EQ(missing, boxes_.shown[1].text);
  EXPECT_EQ(missing, boxes_.shown[2].text);

  // None installed, or no usable install location: the lookup stops.
  new_run();
  registry("");
  EXPECT_EQ(status::kNoProduct, connect());
  EXPECT_EQ("No Veldmark products found on data collector", boxes_.shown.at(0).text);
  new_run();
  registry("[" + kPlotwise + "]\n\"InstallLoc\"=\"\\\\\"\n");
  EXPECT_EQ(status::kNoInstallLocation, connect());
  new_run();
  registry("[" + kPlotwise + "]\n\"Version\"=\"4\"\n");
  std::string location = "old";
  ASSERT_EQ(status::kSuccess, connect_to_device(c(), false, false));
  EXPECT_EQ(-2, get_install_location(c(), FieldProgram::kPlotwise, &location));
  EXPECT_EQ(-3, get_install_location(c(), FieldProgram::kSceneledger, &location));
  EXPECT_EQ("old", location);
  disconnect_from_device(c());
}

// The device's settings file is untrusted: whatever it holds gives a code,
// and only a folder of the device itself is ever taken.
TEST_F(DeviceLink, TheSettingsFileDecidesTheProjectsFolderAndNeverOneOutsideTheDevice) {
  std::string binary(4096, '\0');
  for (std::size_t i = 0; i < binary.size(); ++i) binary[i] = static_cast<char>(i * 37 % 256);
  // With the code it gives, 0 for any code of the lookup.
  const std::pair<std::string, int> cases[] = {
      {"[Settings]\nDATADIR=\\Projects\\Old\nDataPath=\\Projects\n", 1},
      {"[FGEN]\nDATADIR=\\Projects\n", 1}, {"[EVR]\nDATADIR=\\Projects\n", status::kNoDataDir},
      {"[Settings]\nDataPath=\n", status::kNoDataDir},
      {"[Settings]\nDataPath=\\Missing\n", status::kNoProjectsFolder}, {"", 0}, {binary, 0},
      {"[Settings]\nDataPath=\\Projects\n" + std::string(10 << 20, 'x'), 0},
      {"[Settings] DataPath=\\Projects", 0},
      {"[Settings]\nDataPath=\\Missing\nDataPath=\\Projects\n", 0},
      {"[Settings]\nDataPath=\\..\\..\\etc\n", 0}, {"[Settings]\nDataPath=..\\..\n", 0}};
  for (const auto& [ini, expected] : cases) {
    SCOPED_TRACE(ini.substr(0, 60));
    new_run();
    vmark(ini);
    const int code = connect();
    if (expected != 0) {
      EXPECT_EQ(expected, code);
    }
    if (expected == status::kSuccess) {
      EXPECT_EQ("\\Projects", c().projects_folder);
    }
    EXPECT_TRUE(code == status::kSuccess || (code >= 401 && code <= 412)) << code;
    const std::string& folder = c().projects_folder;
    EXPECT_TRUE(folder.empty() || (folder[0] == '\\' && folder.find("..") == std::string::npos))
        << folder;
    if (code == status::kNoDataDir) {
      // The copy is kept for diagnosis, and the report says where.
      const std::string line = "device vmark.ini file, critical error.::::";
      const std::string text = report();
      const std::size_t at = text.find(line);
      ASSERT_NE(std::string::npos, at);
      const std::string copy =
          text.substr(at + line.size(), text.find('\n', at) - at - line.size());
      std::ifstream kept(std::filesystem::u8path(copy), std::ios::binary);
      EXPECT_EQ(ini, std::string(std::istreambuf_iterator<char>(kept), {}));
      kept.close();
      std::filesystem::remove(std::filesystem::u8path(copy));
    }
  }
  // Nothing was written beside the device's own folders.
  for (const auto& item :
       std::filesystem::directory_iterator(std::filesystem::u8path(fake_.folder.path("device")))) {
    const std::string name = item.path().filename().u8string();
    EXPECT_TRUE(name == "fs" || name == "registry.reg" || name == "device.ini" ||
                name == "filetimes.txt")
        << name;
  }

  new_run();
  std::filesystem::remove(std::filesystem::u8path(
      fake_.folder.path("device/fs/Program Files/Plotwise/Programs/vmark.ini")));
  EXPECT_EQ(status::kSettingsCopyFailed, connect());
  EXPECT_TRUE(
      has_line("Unable to copy ini file from device to desktop, critical error.::::"
               "\\Program Files\\Plotwise\\Programs\\vmark.ini"));
}

TEST_F(DeviceLink, RemoteFoldersAreFoundAndMadeOneLevelAtATime) {
  ASSERT_EQ(status::kSuccess, connect_to_device(c(), false, false));
  EXPECT_TRUE(find_file_on_device(c(), "\\Projects\\", false));
  EXPECT_FALSE(find_file_on_device(c(), "\\Nothing", true));
  EXPECT_TRUE(has_line("Unable to find this file on the data collector::::\\Nothing"));
  EXPECT_TRUE(create_dir_on_device(c(), "\\Projects"));
  EXPECT_FALSE(create_dir_on_device(c(), "\\No\\Parent"));
  EXPECT_TRUE(make_subdir_on_device(c(), "\\Projects\\", "Job 2"));
  EXPECT_TRUE(find_file_on_device(c(), "\\Projects\\Job 2", false));

  EXPECT_TRUE(
      copy_collector_file_to_desktop(c(), "\\Projects\\Job 1\\a.raw", fake_.folder.path(), true));
  EXPECT_EQ("raw", fake_.folder.read_file("a.raw"));
  EXPECT_FALSE(
      copy_collector_file_to_desktop(c(), "\\Projects\\gone.raw", fake_.folder.path(), false));
  EXPECT_TRUE(has_line("Unable to access (attempting to copy file)::::\\Projects\\gone.raw"));
  EXPECT_EQ(status::kSuccess, disconnect_from_device(c()));
}

}  // namespace
}  // namespace vmt::device
