// The chosen program's folders: install folders from settings files, the
// registry and release keys, data and working folders, resolving the stored
// choice, and making folders level by level.
#include "settings/desktop_folders.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "platform/build_platform.h"
#include "platform/common/memory_registry.h"
#include "platform/common/path.h"
#include "settings/options_store.h"
#include "settings/program_launch.h"
#include "support/fake_run.h"

namespace vmt::settings {
namespace {

using platform::RegistryRoot;
constexpr char kSep = platform::path::kSeparator;
const std::string kSepText(1, kSep);

// `parts` joined with the platform's separator.
std::string p(std::initializer_list<std::string> parts) {
  std::string result;
  for (const std::string& part : parts) result += (result.empty() ? "" : kSepText) + part;
  return result;
}

class DesktopFolders : public ::testing::Test {
 protected:
  std::string common() { return run_.fake.folder.path("shell/ProgramData"); }
  void settings_file(const std::string& name, const std::string& contents) {
    run_.fake.folder.write_file("shell/Windows/" + name, contents);
  }
  std::string install(const std::string& name, bool backslash = true) {
    return get_install_dir(run_.context, name, backslash);
  }
  bool exists(const std::string& path) { return run_.fake.platform().files.exists(path); }

  test::FakeRun run_;
};

TEST_F(DesktopFolders, SettingsFileRowsCutTheProgramsFolderAndKnowNoneWithoutTheFile) {
  // No settings file, or no key in it: no folders at all, never "Empty\..."
  // below the current folder, and nothing to launch.
  EXPECT_EQ("", install(program::kVistaplot));
  settings_file("Vistaplot.ini", "[Path]\r\nOther=C:\\x\r\n");
  EXPECT_EQ("", install(program::kVistaplot));
  C_directory_options record(program::kVistaplot);
  EXPECT_FALSE(fill_directory_options(run_.context, record));
  EXPECT_EQ("", get_download_dir(run_.context, record));
  EXPECT_EQ("", get_exe_path(run_.context, record));

  const std::string folder = p({run_.fake.folder.path(), "Prog", "Vistaplot"});
  settings_file("Vistaplot.ini", "[Path]\r\nCADDLL=" + folder + kSep + "Programs\r\n");
  EXPECT_EQ(folder + kSep, install(program::kVistaplot));
  EXPECT_EQ(folder, install(program::kVistaplot, false));
  // The CAD key of row 9 is taken whole, and a trailing separator goes when not wanted.
  settings_file("vmcad2004.ini", "[path]\ncad=" + folder + kSep + kSep + "\n");
  EXPECT_EQ(folder, install(program::kVeldmarkCad2004, false));
  settings_file("VMX2001.ini", "[Path]\nCADDLL=\\Programs\n");
  EXPECT_EQ("", install(program::kVmx2001));
  EXPECT_TRUE(run_.boxes.shown.empty());
}

TEST_F(DesktopFolders, RegistryAndReleaseRowsNameTheirFailingStep) {
  EXPECT_EQ("", install(program::kVeldmarkCad2010));
  run_.arrange("Software\\Veldmark\\VMCAD2010");
  EXPECT_EQ("", install(program::kVeldmarkCad2010));
  run_.arrange("Software\\Veldmark\\VMCAD2010", "InstallDir", "D:\\VM2010\\");
  EXPECT_EQ("D:\\VM2010\\", install(program::kVeldmarkCad2010));
  EXPECT_EQ((std::vector<std::string>{"Error (99A-7K) opening registry key",
                                      "Error (99cB-a2) getting InstallDir key value"}),
            run_.texts());
  // An empty name is the stored choice.
  run_.arrange_option("DefSyncProgram", program::kVeldmarkCad2010);
  EXPECT_EQ("D:\\VM2010", install("", false));

  // R14.0 is read from the local machine, not from the user, step by step.
  const std::string r14 = "SOFTWARE\\Autodesk\\AutoCAD\\R14.0";
  run_.arrange(r14, "CurVer", "ACAD-1", RegistryRoot::kCurrentUser);
  EXPECT_EQ("", install(program::kPlugcadAutoCadR14));
  EXPECT_EQ("Error opening registry key HKEY_LOCAL_MACHINE\\" + r14, run_.last_text());
  run_.arrange(r14);
  EXPECT_EQ("", install(program::kPlugcadAutoCadR14));
  EXPECT_EQ("Error getting key value", run_.last_text());
  run_.arrange(r14, "CurVer", "ACAD-1");
  EXPECT_EQ("", install(program::kPlugcadAutoCadR14));
  EXPECT_EQ("Error opening main AutoCAD registry key HKEY_LOCAL_MACHINE\\" + r14 + "\\ACAD-1",
            run_.last_text());
  run_.arrange(r14 + "\\ACAD-1");
  EXPECT_EQ("", install(program::kPlugcadAutoCadR14));
  EXPECT_EQ("Error getting AcadLocation key value", run_.last_text());

  // Later releases read the user's current version. A 64-bit AutoCAD keeps
  // its keys in the 64-bit view: found there when the 32-bit view has none,
  // and the 32-bit view is still asked first.
  run_.boxes.shown.clear();
  const std::string r181 = "SOFTWARE\\Autodesk\\AutoCAD\\R18.1";
  const std::string r181_64 =
      "SOFTWARE\\" + std::string(platform::kView64Node) + "\\Autodesk\\AutoCAD\\R18.1";
  run_.arrange(r181, "CurVer", "ACAD-9001:409", RegistryRoot::kCurrentUser);
  run_.arrange(r181_64 + "\\ACAD-9001:409", "AcadLocation", "C:\\AutoCAD 2011");
  EXPECT_EQ("C:\\AutoCAD 2011" + kSepText, install(program::kPlugcad2011AutoCad2011));
  run_.arrange(r181 + "\\ACAD-9001:409", "AcadLocation", "C:\\AutoCAD 32");
  EXPECT_EQ("C:\\AutoCAD 32" + kSepText, install(program::kPlugcad2011AutoCad2011));
  EXPECT_TRUE(run_.boxes.shown.empty());
}

TEST_F(DesktopFolders, DataFoldersAndTheirWorkingFoldersAreMadeOrNamedInTheirMessage) {
  run_.arrange("Software\\Veldmark\\VMCAD2012", "InstallDir", "D:\\VM2012");
  C_directory_options record(program::kVeldmarkCad2012);
  EXPECT_TRUE(fill_directory_options(run_.context, record));
  const std::string base = p({common(), "Veldmark", "VMCAD", "2012", ""});
  EXPECT_EQ(base, record.data_dir());
  EXPECT_EQ(base + p({"Ferrybox", "Downloads", ""}), get_download_dir(run_.context, record));
  EXPECT_EQ(base + p({"Ferrybox", "Uploads", ""}), get_upload_dir(run_.context, record));
  EXPECT_EQ(base + "VMCAD" + kSep, get_csv_dir(run_.context, record));
  EXPECT_TRUE(exists(get_download_dir(run_.context, record)));
  EXPECT_TRUE(exists(get_upload_dir(run_.context, record)));
  EXPECT_EQ("", get_data_dir(run_.context, program::kVistaplot2006, true));
  EXPECT_TRUE(run_.boxes.shown.empty());

  // A file where a level should be makes the creation fail.
  run_.fake.folder.write_file("shell/ProgramData/Navira", "in the way");
  EXPECT_EQ("", get_data_dir(run_.context, program::kNaviraFieldcad2012, true));
  EXPECT_EQ("Error DEWW47P-2, creating dir, (3) (Navira Fieldcad 2012)", run_.last_text());
  run_.fake.shell.common_app_data_unknown = true;
  EXPECT_EQ("", get_data_dir(run_.context, program::kVistaplot2008, true));
  EXPECT_EQ("Error DE7P-1A, creating dir, (Vistaplot 2008)", run_.last_text());
}

TEST_F(DesktopFolders, TheStoredChoiceResolvesOnlyToUserDefinedOrAnInstalledProgram) {
  // Stored in other letter case, the choice is its row, under the row's own
  // name, which every per-program operation compares exactly.
  C_directory_options record;
  run_.arrange_option("UserDownDir", "C:\\Down");
  run_.arrange_option("DefSyncProgram", "USER DEFINED");
  EXPECT_TRUE(set_options_from_registry(run_.context, record));
  EXPECT_EQ(program::kUserDefined, record.name());
  EXPECT_EQ("C:\\Down", get_download_dir(run_.context, record));
  EXPECT_EQ("", get_upload_dir(run_.context, record));
  // The user's Featlink folder is made sure of when it is first asked for.
  EXPECT_EQ("<none>", run_.stored_option("UserCsvDir"));
  EXPECT_EQ("", get_csv_dir(run_.context, record));
  EXPECT_EQ("", run_.stored_option("UserCsvDir"));
  EXPECT_EQ("USER DEFINED", run_.stored_option("DefSyncProgram"));
  EXPECT_TRUE(run_.boxes.shown.empty());

  run_.arrange_option("DefSyncProgram", "Plotwise CAD");
  EXPECT_FALSE(set_options_from_registry(run_.context, record));
  EXPECT_EQ("Error (A) setting options from registry\nDefSyncProgram = (Plotwise CAD)",
            run_.last_text());
  EXPECT_EQ("", record.name());
  run_.arrange_option("DefSyncProgram", program::kPlugcad2012AutoCad2012);
  EXPECT_FALSE(set_options_from_registry(run_.context, record));
  EXPECT_EQ("Error setting options from registry, Plugcad2012 for AutoCAD 2012 (1388)",
            run_.last_text());

  run_.boxes.shown.clear();
  run_.arrange_option("DefSyncProgram", program::kVistaplot2006);
  run_.arrange("Software\\Veldmark\\Vistaplot2006", "InstallDir", run_.fake.folder.path("VP"));
  EXPECT_TRUE(set_options_from_registry(run_.context, record));
  EXPECT_EQ(run_.fake.folder.path("VP") + kSep + "vcad.exe", get_exe_path(run_.context, record));
  EXPECT_TRUE(run_.boxes.shown.empty());

  // The finishing steps see the stored choice and the launch setting.
  class Parts : public SettingsApplicationParts {
   public:
    int run_main_dialog(app::RunContext&) override { return 1; }
  } parts;
  run_.arrange_option("LaunchOnTransfer", "1");
  EXPECT_TRUE(parts.launch_on_transfer(run_.context));
  const app::ChosenProgram chosen = parts.chosen_program(run_.context);
  EXPECT_EQ(program::kVistaplot2006, chosen.name);
  EXPECT_EQ(run_.fake.folder.path("VP") + kSep + "vcad.exe", chosen.executable);
  parts.launch_program(run_.context);
  EXPECT_EQ(std::vector<std::string>{chosen.executable + "|"}, run_.fake.windows.started);
}

// Records the folders made and answers which exist from its own list, so that
// a network path can be walked without a network.
class ListedFolders : public test::BuildFiles {
 public:
  bool exists(const std::string& path) override { return present.count(path) > 0; }
  bool make_folder(const std::string& path) override {
    made.push_back(path);
    present.insert(path);
    return true;
  }
  std::set<std::string> present;
  std::vector<std::string> made;
};

TEST_F(DesktopFolders, FoldersAreMadeLevelByLevelButNeverAServer) {
  ListedFolders folders;
  platform::Platform listed{run_.registry,     folders,         run_.fake.shell,
                            run_.fake.windows, run_.fake.clock, *run_.fake.device,
                            run_.fake.resources};
  app::RunContext context(listed, run_.boxes, run_.log, run_.message_texts);
  const std::string share = "\\\\server" + kSepText + "share" + kSep;
  folders.present.insert(share + "a" + kSep);
  EXPECT_TRUE(make_desktop_dir(context, "\\\\server\\share\\a\\b"));
  EXPECT_EQ((std::vector<std::string>{share, share + "a" + kSep + "b" + kSep}), folders.made);

  // Forward slashes and doubled separators are levels like any other, and
  // each level made is named in the log.
  std::string root = run_.fake.folder.path();
  std::replace(root.begin(), root.end(), '\\', '/');
  run_.log.clear();
  EXPECT_TRUE(make_desktop_dir(run_.context, root + "/x//y/"));
  ASSERT_EQ(2u, run_.log.count());
  EXPECT_EQ("Successfully made directory: " + p({run_.fake.folder.path(), "x", "y", ""}),
            run_.log.entries[1].text);
  EXPECT_TRUE(make_desktop_dir(run_.context, root + "/x/y"));

  run_.fake.folder.write_file("file", "not a folder");
  EXPECT_FALSE(make_desktop_dir(run_.context, p({run_.fake.folder.path(), "file", "z"})));
  // The level named is the first that could not be made (Linux cannot see through a file).
  EXPECT_EQ(0u, run_.last_text().find("Error (AS-456) making directory\n" +
                                      p({run_.fake.folder.path(), "file", ""})));
  EXPECT_FALSE(make_desktop_dir(run_.context, "\\/"));
  EXPECT_EQ("Error (AS-ZERO436) making directory\n\\/", run_.last_text());

  EXPECT_TRUE(make_desktop_dir_for_copy(run_.context, p({run_.fake.folder.path(), "dl"}),
                                        p({"Job 7", "Photos"})));
  EXPECT_TRUE(exists(p({run_.fake.folder.path(), "dl", "Job 7", "Photos"})));
}

}  // namespace
}  // namespace vmt::settings
