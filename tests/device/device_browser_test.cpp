// The data collector's folder browser over the emulated device: listing,
// moving down and up, and what it hands back.
#include "device/device_browser.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "device/device_link.h"
#include "support/fake_run.h"
#include "support/field_device.h"

namespace vmt::device {
namespace {

class ScriptedBrowserView : public BrowserView {
 public:
  app::WindowRef window() override { return 0x901; }
  void set_folder_text(const std::string& text) override { folder = text; }
  std::string folder_text() override { return folder; }
  void show_lists(const std::vector<std::string>& shown_folders,
                  const std::vector<std::string>& shown_files) override {
    folders = shown_folders;
    files = shown_files;
    std::sort(folders.begin(), folders.end());
    std::sort(files.begin(), files.end());
  }
  bool selected_folder(std::string* name) override {
    if (selection.empty()) return false;
    *name = selection;
    return true;
  }
  void end_dialog(int result) override { ended = result; }

  std::string folder;
  std::vector<std::string> folders;
  std::vector<std::string> files;
  std::string selection;
  int ended = 0;
};

class Browser : public ::testing::Test {
 protected:
  void SetUp() override {
    test::arrange_field_device(run_.fake.folder);
    run_.fake.folder.write_file("device/fs/Projects/Harbour Road/road.raw", "r");
    run_.fake.folder.write_file("device/fs/Projects/.hidden/secret.txt", "s");
    run_.fake.folder.write_file("device/fs/Projects/Codes.csv", "c");
    ASSERT_EQ(status::kSuccess, connect_to_device(run_.context, false, false));
  }
  void TearDown() override { disconnect_from_device(run_.context); }

  test::FakeRun run_{true};
  ScriptedBrowserView view_;
};

TEST_F(Browser, ListsFoldersApartAndAHiddenFolderCannotBeEntered) {
  CCEB_Browser_Dlg dialog(run_.context, view_, "\\Projects");
  dialog.OnInit();
  EXPECT_EQ("\\Projects", view_.folder);
  EXPECT_EQ((std::vector<std::string>{"Harbour Road"}), view_.folders);
  EXPECT_EQ((std::vector<std::string>{".hidden", "Codes.csv"}), view_.files);

  dialog.OnSelectionChange();
  EXPECT_EQ("Select from the list box", run_.last_text());

  view_.selection = "Harbour Road";
  dialog.OnSelectionChange();
  EXPECT_EQ("\\Projects\\Harbour Road", dialog.folder());
  EXPECT_EQ("\\Projects\\Harbour Road", view_.folder);
  EXPECT_EQ((std::vector<std::string>{"road.raw"}), view_.files);
}

TEST_F(Browser, MovingUpReachesTheRootAndStaysThereAndAFailedDialogIsReported) {
  std::string chosen = "left over";
  const int result = browse_collector_folders(
      run_.context, "\\Projects\\", &chosen, 0x147,
      [this](const std::string& start, std::string* last) {
        CCEB_Browser_Dlg dialog(run_.context, view_, start);
        dialog.OnInit();
        EXPECT_EQ("\\Projects", view_.folder);
        dialog.OnMoveUp();
        EXPECT_EQ("", view_.folder);
        EXPECT_NE(view_.folders.end(),
                  std::find(view_.folders.begin(), view_.folders.end(), "Projects"));
        dialog.OnMoveUp();
        EXPECT_EQ("", dialog.folder());
        dialog.OnCancel();
        *last = dialog.folder();
        return view_.ended;
      });
  // Cancel still hands back the last folder; the caller ignores it.
  EXPECT_EQ(app::id::kCancel, result);
  EXPECT_EQ("", chosen);

  // A dialog that could not be shown is reported over its owner.
  EXPECT_EQ(-1, browse_collector_folders(run_.context, "\\", &chosen, 0x147,
                                         [](const std::string&, std::string*) { return -1; }));
  EXPECT_EQ("Error 439RFTGH, unable to start program dialog", run_.last_text());
  EXPECT_EQ(app::WindowRef{0x147}, run_.boxes.shown.back().owner);
}

}  // namespace
}  // namespace vmt::device
