#include "device/device_browser.h"

#include "app/error_reports.h"
#include "device/device_link.h"
#include "platform/common/utf.h"

namespace vmt::device {
namespace {

constexpr std::uint32_t kFindAttributesAndNames = 0x81;
constexpr std::uint32_t kFolder = 0x10;
constexpr std::uint32_t kTemporaryFolder = 0x110;

void trim_trailing(std::string* text, char ch) {
  while (!text->empty() && text->back() == ch) text->pop_back();
}

}  // namespace

void CCEB_Browser_Dlg::OnInit() {
  view_.set_folder_text(folder_);
  list_folder();
}

void CCEB_Browser_Dlg::list_folder() {
  trim_trailing(&folder_, '\\');
  if (!folder_.empty() && folder_.back() == '/') VMT_LOG_POINT(c_.log);
  std::vector<platform::CeFindData> found;
  std::vector<std::string> folders;
  std::vector<std::string> files;
  if (!c_.platform.device.CeFindAllFiles(to_device(folder_ + "\\*.*"), kFindAttributesAndNames,
                                         &found)) {
    VMT_LOG_POINT(c_.log);
  }
  for (const platform::CeFindData& entry : found) {
    const std::string name = from_device(entry.cFileName);
    // A name that would lead out of the folder is never a way down.
    const bool walkable = name != "." && name != ".." && name.find('\\') == std::string::npos;
    if (walkable &&
        (entry.dwFileAttributes == kFolder || entry.dwFileAttributes == kTemporaryFolder)) {
      folders.push_back(name);
    } else {
      files.push_back(name);
    }
  }
  view_.show_lists(folders, files);
}

void CCEB_Browser_Dlg::OnSelectionChange() {
  std::string name;
  if (!view_.selected_folder(&name)) {
    c_.boxes.show(view_.window(), c_.texts.load_message_text(50003, "Select from the list box"),
                  app::program_title(c_), app::mb::kOk | app::mb::kIconInformation);
    return;
  }
  folder_ += "\\" + name;
  view_.set_folder_text(folder_);
  list_folder();
}

void CCEB_Browser_Dlg::OnMoveUp() {
  std::string text = view_.folder_text();
  const std::size_t last = text.rfind('\\');
  folder_ = last == std::string::npos ? std::string() : text.substr(0, last);
  view_.set_folder_text(folder_);
  list_folder();
}

int browse_collector_folders(app::RunContext& c, const std::string& start, std::string* chosen,
                             app::WindowRef owner, const BrowserRunner& run) {
  chosen->clear();
  std::string folder = start;
  trim_trailing(&folder, '\\');
  trim_trailing(&folder, '/');
  const int result = run(folder, chosen);
  if (result != app::id::kOk && result != app::id::kCancel) {
    c.boxes.show(owner,
                 c.texts.load_message_text(50002, "Error 439RFTGH, unable to start program dialog"),
                 app::program_title(c), app::mb::kOk);
    VMT_LOG_POINT(c.log);
  }
  return result;
}

}  // namespace vmt::device
