// The copying dialog without a window: each check of the copy calls a hook
// in which a test can press Cancel, and the dialog is opened in the run.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "device/copying_dlg.h"

namespace vmt::test {

class FakeCopyingView : public device::CopyingView {
 public:
  FakeCopyingView(device::CCPY_Copying_Dlg& dialog, std::function<void(FakeCopyingView&)>& hook,
                  int& checks, std::vector<std::string>& progress)
      : dialog_(dialog), hook_(hook), checks_(checks), progress_(progress) {}
  app::WindowRef window() override { return 0x145; }
  bool open_animation() override { return true; }
  void play_animation() override {}
  // Called once per check, as the queue is empty after it.
  bool message_waiting() override {
    ++checks_;
    if (hook_) hook_(*this);
    return false;
  }
  void pump_one_message() override {}
  void show_progress(int done, int total, const std::string& line) override {
    progress_.push_back(std::to_string(done) + "/" + std::to_string(total) + " " + line);
  }
  void press_cancel() { dialog_.OnCommand(IDC_COPY_CANCEL); }

 private:
  device::CCPY_Copying_Dlg& dialog_;
  std::function<void(FakeCopyingView&)>& hook_;
  int& checks_;
  std::vector<std::string>& progress_;
};

// Installs the copying dialogs in a run and opens one.
class FakeCopying {
 public:
  explicit FakeCopying(app::RunContext& context)
      : context_(context),
        dialogs_([this](app::WindowRef, device::CCPY_Copying_Dlg& dialog) {
          auto view = std::make_unique<FakeCopyingView>(dialog, on_check, checks, progress);
          dialog.OnInit(*view);
          return std::unique_ptr<device::CopyingView>(std::move(view));
        }) {
    context_.copying = &dialogs_;
  }
  ~FakeCopying() { context_.copying = nullptr; }
  void open() { device::show_copying_dialog(context_, 0x147); }

  std::function<void(FakeCopyingView&)> on_check;
  int checks = 0;
  // The bar's position, its end and the line over it, at each file.
  std::vector<std::string> progress;

 private:
  app::RunContext& context_;
  device::CopyingDialogs dialogs_;
};

}  // namespace vmt::test
