#include "device/copying_dlg.h"

#include "app/error_reports.h"

namespace vmt::device {

namespace {
// A bound on the messages handled in one check, so that a stream of input
// cannot hold the copy still.
constexpr int kMaxMessagesPerCheck = 256;
}  // namespace

void CCPY_Copying_Dlg::OnInit(CopyingView& view) {
  view_ = &view;
  if (!view.open_animation()) VMT_LOG_POINT(c_.log);
  view.play_animation();
}

void CCPY_Copying_Dlg::OnCommand(int id) {
  if (id == IDC_COPY_CANCEL) cancel_requested_ = true;
}

void CCPY_Copying_Dlg::handle_pending_messages() {
  if (view_ == nullptr) {
    VMT_LOG_POINT(c_.log);
    return;
  }
  for (int handled = 0; handled < kMaxMessagesPerCheck && view_->message_waiting(); ++handled) {
    view_->pump_one_message();
  }
}

bool CCPY_Copying_Dlg::cancel_confirmed() {
  handle_pending_messages();
  if (cancel_requested_ && view_ != nullptr) {
    const int answer = c_.boxes.show(
        view_->window(),
        c_.texts.load_message_text(50004, "Are you sure you want to cancel the transfer?"),
        app::program_title(c_), app::mb::kYesNo | app::mb::kIconQuestion);
    if (answer == app::id::kNo) cancel_requested_ = false;
  }
  return cancel_requested_;
}

void CCPY_Copying_Dlg::show_progress(int file, int total, const std::string& path) {
  if (view_ == nullptr) {
    VMT_LOG_POINT(c_.log);
    return;
  }
  done_ = file - 1;
  total_ = total;
  view_->show_progress(done_, total_,
                       c_.texts.format_message_text(50613, "File %d of %d: %s", file, total,
                                                    path.c_str()));
}

void CCPY_Copying_Dlg::show_step(const std::string& line) {
  if (view_ == nullptr) {
    VMT_LOG_POINT(c_.log);
    return;
  }
  view_->show_progress(done_, total_, line);
}

void CopyingDialogs::show(app::RunContext& context, app::WindowRef parent) {
  if (dialog_) {
    VMT_LOG_POINT(context.log);
    close();
  }
  auto dialog = std::make_unique<CCPY_Copying_Dlg>(context);
  std::unique_ptr<CopyingView> view = maker_ ? maker_(parent, *dialog) : nullptr;
  if (!view) {
    VMT_LOG_POINT(context.log);
    return;
  }
  dialog_ = std::move(dialog);
  view_ = std::move(view);
}

void CopyingDialogs::close() {
  view_.reset();
  dialog_.reset();
}

void show_copying_dialog(app::RunContext& context, app::WindowRef parent) {
  if (context.copying == nullptr) {
    VMT_LOG_POINT(context.log);
    return;
  }
  context.copying->show(context, parent);
}

void close_copying_dialog(app::RunContext& context) {
  if (context.copying != nullptr) context.copying->close();
}

bool is_copying_dialog_open(const app::RunContext& context) {
  return context.copying != nullptr && context.copying->is_open();
}

bool copy_cancel_confirmed(app::RunContext& context) {
  if (!is_copying_dialog_open(context)) return false;
  return context.copying->dialog()->cancel_confirmed();
}

}  // namespace vmt::device

namespace vmt::device {

void handle_copying_messages(app::RunContext& context) {
  if (is_copying_dialog_open(context)) context.copying->dialog()->handle_pending_messages();
}

void show_copying_progress(app::RunContext& context, int file, int total,
                           const std::string& path) {
  if (is_copying_dialog_open(context)) context.copying->dialog()->show_progress(file, total, path);
}

void show_copying_step(app::RunContext& context, const std::string& line) {
  if (is_copying_dialog_open(context)) context.copying->dialog()->show_step(line);
}

}  // namespace vmt::device
