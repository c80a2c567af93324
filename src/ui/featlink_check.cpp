#include "ui/featlink_check.h"

#include <unordered_map>
#include <unordered_set>

#include "device/copy_engine.h"
#include "device/copying_dlg.h"
#include "device/replaced_files.h"
#include "device/time_rules.h"
#include "platform/common/utf.h"

namespace vmt::ui {
namespace {

using platform::fold_name;

const std::string kRule(20, '=');

// The pane's entries by case-folded name, each name with all its entries in
// pane order, so that pairing is linear and gives the pairwise result.
std::unordered_map<std::string, std::vector<std::size_t>> index_by_name(
    const C_file_dir_pane& pane) {
  std::unordered_map<std::string, std::vector<std::size_t>> index;
  index.reserve(pane.entries.size());
  for (std::size_t i = 0; i < pane.entries.size(); ++i) {
    index[fold_name(pane.entries[i].name())].push_back(i);
  }
  return index;
}

// The case-folded names that are folders on either side: a folder named
// "x.csv" is no library, and a library of its name cannot be copied onto it.
std::unordered_set<std::string> folder_names(app::RunContext& c, const C_file_dir_pane& desktop,
                                             const C_file_dir_pane& device) {
  std::unordered_set<std::string> names;
  for (const C_file_dir_pane* pane : {&desktop, &device}) {
    for (const C_file_dir_info& entry : pane->entries) {
      if (!entry.is_folder()) continue;
      VMT_LOG_POINT(c.log);
      names.insert(fold_name(entry.name()));
    }
  }
  return names;
}

// One part of the report: the heading for none, one or several, then the names.
struct PartTexts {
  unsigned none_number;
  const char* none;
  unsigned one_number;
  const char* one;
  unsigned many_number;
  const char* many;
  bool marked;
};

void add_part(app::RunContext& c, const PartTexts& part, const std::vector<std::string>& names,
              std::string* text) {
  if (names.empty()) {
    if (part.none == nullptr) return;
    *text += c.texts.load_message_text(part.none_number, part.none) + "\n";
  } else if (names.size() == 1) {
    *text += c.texts.load_message_text(part.one_number, part.one) + "\n";
  } else {
    *text += c.texts.format_message_text(part.many_number, part.many,
                                         static_cast<int>(names.size())) +
             "\n";
  }
  for (const std::string& name : names) {
    *text += part.marked ? "\t*** " : "\t";
    *text += name + "\n";
  }
  *text += "\n";
}

// The entry of that name (case ignored) in the pane, first in pane order.
double size_of(const C_file_dir_pane& pane, const std::string& name) {
  const std::string wanted = fold_name(name);
  for (const C_file_dir_info& entry : pane.entries) {
    if (fold_name(entry.name()) == wanted) return entry.size();
  }
  return 0;
}

}  // namespace

FeatlinkLists compare_featlink_files(app::RunContext& c, const C_file_dir_pane& desktop,
                                     const C_file_dir_pane& device, bool two_seconds) {
  const std::unordered_set<std::string> folders = folder_names(c, desktop, device);
  FeatlinkLists lists;
  const auto on_device = index_by_name(device);
  std::unordered_set<std::string> on_desktop;
  on_desktop.reserve(desktop.entries.size());
  for (const C_file_dir_info& entry : desktop.entries) {
    const std::string name = entry.name();
    const std::string key = fold_name(name);
    on_desktop.insert(key);
    if (folders.count(key) != 0) continue;
    const auto found = on_device.find(key);
    if (found == on_device.end()) {
      lists.unique_on_desktop.push_back(name);
      continue;
    }
    for (std::size_t index : found->second) {
      const C_file_dir_info& other = device.entries[index];
      std::int64_t desktop_time = 0;
      std::int64_t device_time = 0;
      // A time that cannot be converted is never "newer": the pair is left out.
      if (!entry.modification_time(&desktop_time) || !other.modification_time(&device_time)) {
        VMT_LOG_POINT(c.log);
        continue;
      }
      const std::int64_t d =
          device::compared_difference(desktop_time - device_time, two_seconds);
      if (d == 0) {
        lists.same_date.push_back(name);
      } else if (d >= -kFeatlinkTolerance && d <= kFeatlinkTolerance) {
        lists.within_5_seconds.push_back(name);
      } else if (d > kFeatlinkTolerance) {
        lists.newer_on_desktop.push_back(name);
      } else {
        lists.newer_on_collector.push_back(other.name());
      }
    }
  }
  for (const C_file_dir_info& entry : device.entries) {
    const std::string name = entry.name();
    const std::string key = fold_name(name);
    if (on_desktop.count(key) == 0 && folders.count(key) == 0) {
      lists.unique_on_collector.push_back(name);
    }
  }
  return lists;
}

std::string featlink_report_text(app::RunContext& c, const FeatlinkLists& lists,
                                 const std::string& desktop_folder,
                                 const std::string& device_folder) {
  app::MessageTexts& t = c.texts;
  std::string text = t.load_message_text(50326, "Featlink library files report:") + "\n" +
                     kRule + "\n\n";
  text += t.load_message_text(50327, "Analyzing these folders:") + "\n";
  text += t.format_message_text(50248, "Desktop folder:\t%s", desktop_folder.c_str()) + "\n";
  text += t.format_message_text(50249, "Handheld folder:\t%s", device_folder.c_str()) + "\n";
  text += "\n" + kRule + "\n\n";

  add_part(c,
           {50250, "No unique Featlink files were found on your desktop computer.", 50251,
            "1 unique Featlink file was found on your desktop computer:", 50252,
            "%d unique Featlink files were found on your desktop computer:", true},
           lists.unique_on_desktop, &text);
  add_part(c,
           {50253, "No unique Featlink files were found on your data collector computer.", 50254,
            "1 unique Featlink file was found on your data collector computer:", 50255,
            "%d unique Featlink files were found on your data collector computer:", true},
           lists.unique_on_collector, &text);
  add_part(c,
           {0, nullptr, 50256,
            "1 common Featlink file, which has the same modified date, was found:", 50257,
            "%d common Featlink files, which have the same modified date, were found:", false},
           lists.same_date, &text);
  add_part(c,
           {0, nullptr, 50258,
            "1 common Featlink file, which has a modified date within 5 seconds of each other, "
            "was found:",
            50259,
            "%d common Featlink files, which have the modified dates within 5 seconds of each "
            "other, were found:",
            false},
           lists.within_5_seconds, &text);
  add_part(c,
           {0, nullptr, 50260, "1 common Featlink file, which is newer on the desktop, was found:",
            50261, "%d common Featlink files, which are newer on the desktop, were found:", true},
           lists.newer_on_desktop, &text);
  add_part(c,
           {0, nullptr, 50262,
            "1 common Featlink file, which is newer on the data collector, was found:", 50263,
            "%d common Featlink files, which are newer on the data collector, were found:", true},
           lists.newer_on_collector, &text);

  const std::size_t situations = lists.situations();
  if (situations == 0) {
    return text + kRule + "\n" +
           t.load_message_text(50292, "No situations were found that may require your attention.") +
           "\n" + kRule;
  }
  text += kRule + "\n";
  if (situations == 1) {
    text += t.load_message_text(50264, "1 situation was found that may require your attention.") +
            "\n" + t.load_message_text(50328, "This situation is labeled with a ***") + "\n" +
            kRule + "\n" +
            t.load_message_text(50330,
                                "Do you want to have this program guide you through dealing with "
                                "this situation.") +
            "\n" +
            t.load_message_text(50331, "\t\tYou will be asked it you want it transferred.");
  } else {
    const int count = static_cast<int>(situations);
    text += t.format_message_text(50265,
                                  "%d situations were found that may require your attention.",
                                  count) +
            "\n" + t.load_message_text(50329, "These situations are labeled with a ***") + "\n" +
            kRule + "\n" +
            t.format_message_text(50266,
                                  "Do you want to have this program guide you through dealing "
                                  "with these %d situations.",
                                  count) +
            "\n" +
            t.load_message_text(50291,
                                "\t\tFor each file, you will be asked it you want it transferred.");
  }
  return text;
}

void guide_featlink_resolution(app::RunContext& c, const FeatlinkLists& lists,
                               const C_file_dir_pane& desktop, const C_file_dir_pane& device,
                               app::WindowRef owner) {
  struct Question {
    const std::vector<std::string>* names;
    bool upload;
    unsigned number;
    const char* text;
  };
  const Question questions[] = {
      {&lists.unique_on_desktop, true, 50293,
       "Do you want to copy %s\nFrom desktop:\t%s\nTo data collector:\t%s"},
      {&lists.unique_on_collector, false, 50294,
       "Do you want to copy %s\nFrom data collector:\t%s\nTo desktop:\t\t%s"},
      {&lists.newer_on_desktop, true, 50295,
       "Do you want to copy %s\nFrom desktop:\t%s\nTo data collector:\t%s\nDesktop version is "
       "newer."},
      {&lists.newer_on_collector, false, 50296,
       "Do you want to copy %s\nFrom data collector:\t%s\nTo desktop:\t\t%s\nData collector "
       "version is newer"},
  };
  const std::string caption = c.texts.load_message_text(50000, "Veldmark");
  device::TransferSafety safety(c);
  for (const Question& question : questions) {
    for (const std::string& name : *question.names) {
      const std::string& from = question.upload ? desktop.folder : device.folder;
      const std::string& to = question.upload ? device.folder : desktop.folder;
      const std::string text = c.texts.format_message_text(
          question.number, question.text, name.c_str(), from.c_str(), to.c_str());
      const int answer =
          c.boxes.show(owner, text, caption, app::mb::kYesNoCancel | app::mb::kIconQuestion);
      if (answer == app::id::kCancel) return;
      if (answer != app::id::kYes) continue;
      device::show_copying_dialog(c, owner);
      const device::CopySafety copy = safety.for_file(!question.upload, name);
      const int result =
          question.upload ? device::upload_file(c, desktop.folder + name, device.folder,
                                                size_of(desktop, name), copy)
                          : device::download_file(c, device.folder + name, desktop.folder,
                                                  size_of(device, name), copy);
      device::close_copying_dialog(c);
      if (result != device::copy_result::kCopied && result != device::copy_result::kCancelled &&
          result != device::copy_result::kFailed) {
        VMT_LOG_POINT(c.log);
      }
    }
  }
}

}  // namespace vmt::ui
