// The main window for benchmarks: a view that draws nothing and keeps what
// it is given, with the bytes handed to the status area counted and, at each
// copy's line in it, the time, the bytes so far and the emulator's share.
#pragma once

#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

#include "bench_run.h"
#include "platform/registry.h"
#include "timed_emulator.h"
#include "ui/transfer_dlg.h"

namespace vmt::bench {

class CountingIcons : public ui::IconList {
 public:
  int add_icon(platform::IconHandle) override { return added++; }
  int added = 0;
};

// A key under HKEY_LOCAL_MACHINE, with a string value when `name` is given.
inline void arrange_key(app::RunContext& c, const char* path, const char* name,
                        const std::string& text) {
  platform::RegistryKey key = 0;
  check(c.platform.registry.create_key(platform::RegistryRoot::kLocalMachine, path, &key) == 0,
        "the registry key");
  if (name != nullptr) c.platform.registry.set_string(key, name, text);
  c.platform.registry.close_key(key);
}

// A list that keeps its items' data, with every item selected.
class BenchList : public ui::PaneListView {
 public:
  void set_view_mode(ui::ViewMode) override {}
  void delete_all_items() override {
    data.clear();
    items = 0;
  }
  void begin_fill(std::size_t count) override { data.reserve(count); }
  void end_fill() override {}
  bool insert_column(int, const ui::ListColumn&) override { return true; }
  bool set_column_heading(int, const std::string&) override { return true; }
  int insert_item(const std::string&, int) override {
    data.push_back(-1);
    return items++;
  }
  bool set_subitem(int, int, const std::string&) override { return true; }
  bool set_item_data(int item, std::intptr_t value) override {
    data.at(static_cast<std::size_t>(item)) = value;
    return true;
  }
  std::vector<int> selected_items() override {
    std::vector<int> all(static_cast<std::size_t>(items));
    for (int i = 0; i < items; ++i) all[static_cast<std::size_t>(i)] = i;
    return all;
  }
  std::intptr_t item_data(int item) override { return data.at(static_cast<std::size_t>(item)); }
  bool select_all() override { return true; }
  int items = 0;
  std::vector<std::intptr_t> data;
};

class BenchWindow : public ui::TransferView {
 public:
  using Clock = std::chrono::steady_clock;

  app::WindowRef window() override { return 0x147; }
  void set_caption(const std::string&) override {}
  void set_pictures() override {}
  void set_control_text(int, const std::string&) override {}
  void enable_control(int, bool) override {}
  bool is_control_enabled(int) override { return true; }
  void show_control(int, bool) override {}
  void set_check(int, bool) override {}
  bool is_checked(int) override { return false; }
  void append_status_record(const std::string& text) override {
    handed += text.size();
    record_bytes += text.size();
    if (text.find("-->") == std::string::npos) return;
    copied.push_back(now());
  }
  void set_status_line(const std::string& text) override {
    handed += text.size();
    line = text;
  }
  void drop_status_record(const std::string& text) override { record_bytes -= text.size(); }
  bool open_animation() override { return true; }
  void play_animation(bool) override {}
  void add_tooltip(int, const std::string&) override {}
  void activate_tooltips(bool) override {}
  bool start_timer(int, unsigned) override { return true; }
  bool kill_timer(int) override { return true; }
  void pump_messages() override {}
  ui::PaneListView& list(ui::PaneSide side) override {
    return side == ui::PaneSide::kDesktop ? desktop : device;
  }
  void show_popup_menu(int, int, int) override {}
  void set_menu_item(int, ui::MenuItemState) override {}
  bool browse_for_folder(const std::string&, const std::string&, std::string*) override {
    return false;
  }
  void open_help(const std::string&) override {}
  int run_options_dialog() override { return app::id::kCancel; }
  int run_device_browser(const std::string&, std::string*) override { return app::id::kCancel; }
  int run_new_folder_dialog(ui::CNDR_NewDir_Dlg&) override { return app::id::kCancel; }
  void end_dialog(int) override {}

  struct Copied {
    Clock::time_point at;
    double cpu = 0.0;             // the thread's processor seconds
    std::size_t handed = 0;       // bytes given to the status area so far
    double emulator = 0.0;        // seconds spent in the emulator so far
    double emulator_cpu = 0.0;    // the processor's part of them
  };
  // The moment as the figures are taken at each copy's line.
  Copied now() const {
    Copied moment{Clock::now(), thread_cpu_seconds(), handed};
    if (emulator != nullptr) {
      moment.emulator = emulator->seconds();
      moment.emulator_cpu = emulator->cpu_seconds();
    }
    return moment;
  }
  std::string line;              // the current status line
  std::size_t record_bytes = 0;  // what the status record holds
  std::size_t handed = 0;        // bytes given to the status area
  const TimedEmulator* emulator = nullptr;
  std::vector<Copied> copied;    // one for each copy's line
  BenchList desktop;
  BenchList device;
};

}  // namespace vmt::bench
