// Fakes of the logic's small interfaces: a log that counts its entries and
// message boxes answered from a queue.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "app/diagnostic_log.h"
#include "app/message_box.h"
#include "app/run_context.h"

namespace vmt::test {

class RecordingLog : public app::DiagnosticLog {
 public:
  struct Entry {
    std::string module;
    int line;
    std::string text;
  };
  void log_point(const std::string& module, int line, const std::string&) override {
    entries.push_back({module, line, {}});
  }
  void log_point_text(const std::string& module, int line, const std::string&,
                      const std::string& text) override {
    entries.push_back({module, line, text});
  }
  std::size_t count() const { return entries.size(); }
  void clear() { entries.clear(); }
  std::vector<Entry> entries;
};

// Each box shown is recorded; answers come from `answers` in order, and a
// box with no answer queued gets `default_answer` (OK).
class ScriptedMessageBoxes : public app::MessageBoxes {
 public:
  struct Shown {
    app::WindowRef owner;
    std::string text;
    std::string caption;
    unsigned style;
  };
  int show(app::WindowRef owner, const std::string& text, const std::string& caption,
           unsigned style) override {
    shown.push_back({owner, text, caption, style});
    if (answers.empty()) return default_answer;
    const int answer = answers.front();
    answers.pop_front();
    return answer;
  }
  std::deque<int> answers;
  int default_answer = app::id::kOk;
  std::vector<Shown> shown;
};

// The main window's status area as the logic writes it: the record, the
// current line, and every current line shown in turn.
class RecordingStatus : public app::StatusRecord {
 public:
  void append_status_line(const std::string& text) override { history += text; }
  void set_status_text(const std::string& text) override {
    current = text;
    shown_lines.push_back(text);
  }
  std::string history;
  std::string current;
  std::vector<std::string> shown_lines;
};

}  // namespace vmt::test
