// The program at size: a pane of 10,000 and 100,000 entries read, sorted and
// filled (PC folder and emulated data collector), the conflict check and the
// Featlink comparison of 10,000 entries against 10,000 beside the pairwise
// rule they must agree with, and the start-up to "Ready." on the demo device.
// The emulator's share of a device pane's time is printed apart ("emulator_ms").
// Goals: 10,000 entries read+sort+fill < 0.1 s from the device, < 60 ms from
// the PC; 10,000 x 10,000 < 20 ms.
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "bench_run.h"
#include "bench_window.h"
#include "timed_emulator.h"
#include "platform/common/utf.h"
#include "ui/featlink_check.h"
#include "ui/pane_list.h"
#include "ui/transfer_dlg.h"
#include "ui/transfer_planner.h"

namespace {

using namespace vmt;
using bench::check;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// A list view that keeps what a fill gives it, as the real one would.
class KeptListView : public ui::PaneListView {
 public:
  void set_view_mode(ui::ViewMode) override {}
  void begin_fill(std::size_t) override {}
  void end_fill() override {}
  void delete_all_items() override { rows.clear(); }
  bool insert_column(int, const ui::ListColumn&) override { return true; }
  bool set_column_heading(int, const std::string&) override { return true; }
  int insert_item(const std::string& name, int) override {
    rows.push_back({name, {}, -1});
    return static_cast<int>(rows.size()) - 1;
  }
  bool set_subitem(int item, int column, const std::string& text) override {
    rows[static_cast<std::size_t>(item)].texts[column] = text;
    return true;
  }
  bool set_item_data(int item, std::intptr_t data) override {
    rows[static_cast<std::size_t>(item)].data = data;
    return true;
  }
  std::vector<int> selected_items() override { return {}; }
  std::intptr_t item_data(int item) override { return rows[static_cast<std::size_t>(item)].data; }
  bool select_all() override { return true; }

  struct Row {
    std::string name;
    std::map<int, std::string> texts;
    std::intptr_t data;
  };
  std::vector<Row> rows;
};

std::string name_of(int i) { return "Survey point " + std::to_string(i * 7919 % 100003) + ".raw"; }

// Folders of N files on both sides, made once per size.
class Scale {
 public:
  explicit Scale(int count) : run_("scale-" + std::to_string(count)), count_(count) {
    const fs::path desk = run_.root() / "desk";
    const fs::path device = run_.root() / "device" / "fs" / "Big";
    fs::create_directories(desk);
    fs::create_directories(device);
    for (int i = 0; i < count; ++i) {
      std::ofstream(desk / name_of(i)) << i;
      std::ofstream(device / name_of(i)) << i;
    }
  }
  bench::BenchRun& run() { return run_; }
  int count() const { return count_; }

 private:
  bench::BenchRun run_;
  int count_;
};

Scale& scale(int count) {
  static std::map<int, std::unique_ptr<Scale>> made;
  auto& entry = made[count];
  if (!entry) entry = std::make_unique<Scale>(count);
  return *entry;
}

void read_sort_fill(benchmark::State& state, ui::PaneSide side) {
  Scale& s = scale(static_cast<int>(state.range(0)));
  bench::TimedRun timed(s.run());
  app::RunContext& c = timed.context();
  bench::CountingIcons icon_list;
  ui::IconCache icons(icon_list);
  KeptListView view;
  if (side == ui::PaneSide::kDevice) {
    check(device::connect_to_device(c, false, false) == device::status::kSuccess,
          "the emulated device's connection");
  }
  const double emulator_before = timed.device().seconds();
  for (auto _ : state) {
    ui::C_file_dir_pane pane(side);
    ui::set_pane_folder(c, pane, side == ui::PaneSide::kDesktop ? s.run().desktop("desk")
                                                                 : std::string("\\Big\\"));
    check(ui::read_pane_folder(c, pane, [] {}), "the read");
    ui::PaneListState list_state;
    ui::fill_pane_list(c, pane, view, icons, list_state, ui::ViewMode::kDetails, false);
    check(view.rows.size() == static_cast<std::size_t>(s.count()), "the fill");
  }
  state.counters["entries"] = static_cast<double>(s.count());
  // The emulator's calls, per read, apart from the program's own time.
  state.counters["emulator_ms"] = benchmark::Counter(
      (timed.device().seconds() - emulator_before) * 1000.0, benchmark::Counter::kAvgIterations);
}

void BM_DesktopPaneReadSortFill(benchmark::State& state) {
  read_sort_fill(state, ui::PaneSide::kDesktop);
}
void BM_DevicePaneReadSortFill(benchmark::State& state) {
  read_sort_fill(state, ui::PaneSide::kDevice);
}

// 10,000 entries each side; `shared` of them have the same name (in other
// case on one side), the rest are the side's own.
struct Panes {
  ui::C_file_dir_pane source{ui::PaneSide::kDesktop};
  ui::C_file_dir_pane destination{ui::PaneSide::kDevice};
};

Panes make_panes(app::RunContext& c, int count, int shared) {
  Panes panes;
  panes.source.folder = "/nowhere/";
  panes.destination.folder = "\\Nowhere\\";
  for (int i = 0; i < count; ++i) {
    platform::FindData data;
    data.name = i < shared ? name_of(i) : "desk " + name_of(i);
    data.times.last_write = 130000000000000000ULL + static_cast<std::uint64_t>(i) * 10000000ULL;
    panes.source.entries.push_back(ui::C_file_dir_info::desktop(data, c.platform.clock));
    panes.source.entries.back().set_selected(1, c.log);
    platform::CeFindData device;
    const std::string name = i < shared ? platform::to_lower_ascii(name_of(shared - 1 - i))
                                        : "field " + name_of(i);
    device.cFileName = platform::to_utf16(name);
    device.ftLastWriteTime = 130000000000000000ULL + static_cast<std::uint64_t>(i % 7) * 30000000ULL;
    panes.destination.entries.push_back(ui::C_file_dir_info::device(device, c.platform.clock));
  }
  return panes;
}

// The rule the index must give: each source entry against the destination's
// entries in array order, the first of the same name (case ignored).
std::vector<std::string> pairwise_conflict_names(const Panes& panes) {
  std::vector<std::string> names;
  for (const ui::C_file_dir_info& entry : panes.source.entries) {
    for (const ui::C_file_dir_info& other : panes.destination.entries) {
      if (platform::equals_no_case(entry.name(), other.name())) {
        names.push_back(entry.name());
        break;
      }
    }
  }
  return names;
}

void BM_ConflictCheck10kx10k(benchmark::State& state) {
  bench::BenchRun run("conflicts");
  app::RunContext& c = run.context();
  // Every source name is listed at the destination, so the destination itself is never asked.
  const Panes panes = make_panes(c, 10000, 10000);
  const Clock::time_point start = Clock::now();
  const std::vector<std::string> expected = pairwise_conflict_names(panes);
  const double pairwise = std::chrono::duration<double>(Clock::now() - start).count();
  std::size_t found = 0;
  for (auto _ : state) {
    const std::vector<ui::Conflict> conflicts = ui::find_conflicts(c, panes.source, panes.destination);
    found = conflicts.size();
    benchmark::DoNotOptimize(conflicts.data());
  }
  const std::vector<ui::Conflict> conflicts = ui::find_conflicts(c, panes.source, panes.destination);
  check(conflicts.size() == expected.size(), "the same number of clashes as the pairwise rule");
  for (std::size_t i = 0; i < expected.size(); ++i) {
    check(conflicts[i].line.find("'" + expected[i] + "'") != std::string::npos,
          "the same clashes in the same order as the pairwise rule");
  }
  state.counters["clashes"] = static_cast<double>(found);
  state.counters["pairwise_ms"] = pairwise * 1000;
}

void BM_FeatlinkComparison10kx10k(benchmark::State& state) {
  bench::BenchRun run("featlink");
  app::RunContext& c = run.context();
  const Panes panes = make_panes(c, 10000, 5000);
  ui::C_file_dir_pane desktop = panes.source;
  ui::C_file_dir_pane device = panes.destination;
  ui::FeatlinkLists lists;
  for (auto _ : state) {
    lists = ui::compare_featlink_files(c, desktop, device);
    benchmark::DoNotOptimize(lists.same_date.data());
  }
  // The pairwise rule, once, for the check and the baseline.
  const Clock::time_point start = Clock::now();
  ui::FeatlinkLists pairwise;
  for (const ui::C_file_dir_info& entry : desktop.entries) {
    bool matched = false;
    for (const ui::C_file_dir_info& other : device.entries) {
      if (!platform::equals_no_case(entry.name(), other.name())) continue;
      matched = true;
      std::int64_t a = 0;
      std::int64_t b = 0;
      entry.modification_time(&a);
      other.modification_time(&b);
      const std::int64_t d = a - b;
      if (d == 0) {
        pairwise.same_date.push_back(entry.name());
      } else if (d >= -5 && d <= 5) {
        pairwise.within_5_seconds.push_back(entry.name());
      } else if (d > 5) {
        pairwise.newer_on_desktop.push_back(entry.name());
      } else {
        pairwise.newer_on_collector.push_back(other.name());
      }
    }
    if (!matched) pairwise.unique_on_desktop.push_back(entry.name());
  }
  for (const ui::C_file_dir_info& other : device.entries) {
    bool matched = false;
    for (const ui::C_file_dir_info& entry : desktop.entries) {
      if (platform::equals_no_case(entry.name(), other.name())) {
        matched = true;
        break;
      }
    }
    if (!matched) pairwise.unique_on_collector.push_back(other.name());
  }
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  check(lists.same_date == pairwise.same_date && lists.within_5_seconds == pairwise.within_5_seconds &&
            lists.newer_on_desktop == pairwise.newer_on_desktop &&
            lists.newer_on_collector == pairwise.newer_on_collector &&
            lists.unique_on_desktop == pairwise.unique_on_desktop &&
            lists.unique_on_collector == pairwise.unique_on_collector,
        "the same six lists as the pairwise rule");
  state.counters["pairwise_ms"] = seconds * 1000;
  state.counters["situations"] = static_cast<double>(lists.situations());
}

BENCHMARK(BM_DesktopPaneReadSortFill)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DevicePaneReadSortFill)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ConflictCheck10kx10k)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FeatlinkComparison10kx10k)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
