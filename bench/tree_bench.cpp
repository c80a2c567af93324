// A project tree of 10,000 files in 500 folders, two levels deep, uploaded to
// and downloaded from the emulated data collector through the planner (plan,
// then copy), and the plan of the same tree against a full destination tree.
// Figures: the plan's and the copy's time, the copy's time per file over the
// first and the last thousand files (goal: flat, "last_over_first" near 1),
// and the check against the full tree with its time per file at two sizes
// (goal: linear; the 10,000 x 10,000 comparison itself well under 50 ms).
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench_run.h"
#include "ui/transfer_planner.h"

namespace {

using namespace vmt;
using bench::check;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kOuter = 20;
constexpr int kInner = 25;  // 20 x 25 = 500 folders on the second level

// The status record's copy lines, each timed as it comes.
class TimedLines : public app::StatusRecord {
 public:
  void append_status_line(const std::string& text) override {
    if (text.find(" of ") != std::string::npos && text.find("%)") != std::string::npos) {
      finished.push_back(Clock::now());
    }
  }
  void set_status_text(const std::string&) override {}
  std::vector<Clock::time_point> finished;
};

std::string two_digits(int i) { return (i < 10 ? "0" : "") + std::to_string(i); }

// `files` files spread evenly over the 500 folders of `root`/Tree.
void make_tree(const fs::path& root, int files) {
  const int per_folder = files / (kOuter * kInner);
  const std::string contents(700, 'p');
  for (int a = 0; a < kOuter; ++a) {
    for (int b = 0; b < kInner; ++b) {
      const fs::path folder = root / "Tree" / ("Area " + two_digits(a)) / ("Day " + two_digits(b));
      fs::create_directories(folder);
      for (int f = 0; f < per_folder; ++f) {
        std::ofstream(folder / ("pt" + two_digits(f) + ".raw"), std::ios::binary) << contents;
      }
    }
  }
}

// The field program registered with its settings file, as the planner's
// connection checks them before it copies.
void register_field_program(const fs::path& device) {
  std::ofstream(device / "registry.reg")
      << "Windows Registry Editor Version 5.00\n\n"
         "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Veldmark Software, Inc.\\Plotwise]\n"
         "\"InstallLoc\"=\"\\\\Program Files\\\\Plotwise\"\n\"StatusRunning\"=\"NO\"\n";
  fs::create_directories(device / "fs" / "Program Files" / "Plotwise" / "Programs");
  std::ofstream(device / "fs" / "Program Files" / "Plotwise" / "Programs" / "vmark.ini")
      << "[Settings]\r\nDataPath=\\Field\r\n";
}

ui::C_file_dir_pane read_pane(app::RunContext& c, ui::PaneSide side, const std::string& folder) {
  ui::C_file_dir_pane pane(side);
  ui::set_pane_folder(c, pane, folder);
  check(ui::read_pane_folder(c, pane, nullptr), "the pane's read");
  for (ui::C_file_dir_info& entry : pane.entries) {
    entry.set_selected(entry.name() == "Tree" ? 1 : 0, c.log);
  }
  return pane;
}

double microseconds_per_file(const std::vector<Clock::time_point>& times, std::size_t from,
                             std::size_t to) {
  return std::chrono::duration<double, std::micro>(times[to - 1] - times[from - 1]).count() /
         static_cast<double>(to - from);
}

// One transfer of the tree through the planner; fills the state's counters.
void transfer_tree(benchmark::State& state, bool download) {
  bench::BenchRun run(download ? "tree-down" : "tree-up");
  app::RunContext& c = run.context();
  TimedLines lines;
  c.status_record = &lines;
  const fs::path device_fs = run.root() / "device" / "fs";
  fs::create_directories(device_fs / "Field");
  fs::create_directories(run.root() / "desk");
  register_field_program(run.root() / "device");
  make_tree(download ? device_fs / "Field" : run.root() / "desk", 10000);
  device::show_copying_dialog(c, 0);
  double plan_ms = 0;
  double copy_ms = 0;
  for (auto _ : state) {
    state.PauseTiming();
    std::error_code ignored;
    fs::remove_all(download ? run.root() / "desk" / "Tree" : device_fs / "Field" / "Tree",
                   ignored);
    lines.finished.clear();
    run.connect();
    ui::C_file_dir_pane field = read_pane(c, ui::PaneSide::kDevice, "\\Field\\");
    device::disconnect_from_device(c);
    ui::C_file_dir_pane desk = read_pane(c, ui::PaneSide::kDesktop, run.desktop("desk"));
    state.ResumeTiming();

    const Clock::time_point start = Clock::now();
    const ui::TransferPlan plan = download ? ui::plan_transfer(c, field, desk, true, nullptr)
                                           : ui::plan_transfer(c, desk, field, true, nullptr);
    const Clock::time_point planned = Clock::now();
    ui::TransferOutcome outcome;
    check(ui::transfer_entries(c, plan, nullptr, &outcome) == 1, "the transfer");
    const Clock::time_point done = Clock::now();
    check(outcome.copied == 10000 && lines.finished.size() == 10000, "10,000 files copied");
    plan_ms = std::chrono::duration<double, std::milli>(planned - start).count();
    copy_ms = std::chrono::duration<double, std::milli>(done - planned).count();
  }
  const double first = microseconds_per_file(lines.finished, 1, 1000);
  const double last = microseconds_per_file(lines.finished, 9001, 10000);
  state.counters["plan_ms"] = plan_ms;
  state.counters["copy_ms"] = copy_ms;
  state.counters["first_1000_us_per_file"] = first;
  state.counters["last_1000_us_per_file"] = last;
  state.counters["last_over_first"] = last / first;
}

void BM_TreeUpload10k(benchmark::State& state) { transfer_tree(state, false); }
void BM_TreeDownload10k(benchmark::State& state) { transfer_tree(state, true); }

// The plan of the tree against the same tree at the destination: every file
// clashes (the destination's are newer, so each gets its own line).
void BM_TreeCheckAgainstFullTree(benchmark::State& state) {
  const int files = static_cast<int>(state.range(0));
  bench::BenchRun run("tree-check-" + std::to_string(files));
  app::RunContext& c = run.context();
  const fs::path device_fs = run.root() / "device" / "fs";
  make_tree(run.root() / "desk", files);
  make_tree(device_fs / "Field", files);
  run.connect();
  ui::C_file_dir_pane field = read_pane(c, ui::PaneSide::kDevice, "\\Field\\");
  device::disconnect_from_device(c);
  ui::C_file_dir_pane desk = read_pane(c, ui::PaneSide::kDesktop, run.desktop("desk"));
  std::size_t lines = 0;
  for (auto _ : state) {
    const ui::TransferPlan plan = ui::plan_transfer(c, desk, field, true, nullptr);
    lines = plan.conflicts.size();
    check(plan.file_count == static_cast<std::size_t>(files), "every file planned");
  }
  state.counters["clash_lines"] = static_cast<double>(lines);
  state.counters["us_per_file"] = benchmark::Counter(
      static_cast<double>(files), benchmark::Counter::kIsIterationInvariantRate |
                                      benchmark::Counter::kInvert);
}

BENCHMARK(BM_TreeUpload10k)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TreeDownload10k)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TreeCheckAgainstFullTree)->Arg(2500)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
