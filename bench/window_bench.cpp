// The main window's logic over a long run: 10,000 small files selected in the
// PC pane and sent with ">>>" through the planner to the emulated data
// collector, the window a view that keeps what it is given (not the real
// control). Printed: the time per file of the first and of the last 1,000
// files, each with the emulator's share apart, and the bytes handed to the
// status area per file at both ends.
// Goals: the last 1,000 within 1.2 x the first; the bytes per file the same.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "bench_run.h"
#include "bench_window.h"
#include "settings/options_store.h"
#include "timed_emulator.h"
#include "ui/transfer_dlg.h"

namespace {

using namespace vmt;
using bench::check;
namespace fs = std::filesystem;

// The demo data collector, and a PC upload folder of `count` small files.
void arrange_run(bench::BenchRun& run, int count) {
  fs::remove_all(run.root() / "device");
  fs::copy(fs::path(VMT_SOURCE_DIR) / "examples" / "demo-device", run.root() / "device",
           fs::copy_options::recursive);
  fs::create_directories(run.root() / "up");
  for (int i = 0; i < count; ++i) {
    std::ofstream(run.root() / "up" / ("Survey point " + std::to_string(i) + ".raw"))
        << "PT," << i << ",1000.000,2000.000,50.000,FENCE\n";
  }
  app::RunContext& c = run.context();
  const std::string options = settings::transfer_options_key();
  bench::arrange_key(c, options.c_str(), "DefSyncProgram", "User defined");
  bench::arrange_key(c, options.c_str(), "UserDownDir", run.desktop("up"));
  bench::arrange_key(c, options.c_str(), "UserUpDir", run.desktop("up"));
  bench::arrange_key(c, options.c_str(), "UserCsvDir", run.desktop("up"));
  bench::arrange_key(c, options.c_str(), "CreateReports", "1");
  bench::arrange_key(c, options.c_str(), "LaunchOnTransfer", "0");
  bench::arrange_key(c, options.c_str(), "TransferExe", c.platform.files.executable_path());
  bench::arrange_key(c, "Software\\Microsoft\\Windows CE Services\\AutoStartOnConnect", nullptr,
                     {});
}

void BM_UploadThroughTheWindow(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  const int stretch = count / 10;
  bench::BenchRun run("window");
  arrange_run(run, count);
  bench::TimedRun timed(run);
  timed.device().count_processor_time();
  app::RunContext& c = timed.context();
  c.command_line = "UPLOAD";
  bench::CountingIcons icon_list;
  ui::IconCache icons(icon_list);
  for (auto _ : state) {
    bench::BenchWindow window;
    window.emulator = &timed.device();
    ui::CTRA_Transfer_Dlg dialog(c, window, icons);
    dialog.OnInit();
    dialog.OnTimer(ui::kStartupTimer);
    check(window.line == "Ready.", "the start-up to Ready.");
    check(window.desktop.items == count, "the PC pane with every file");

    dialog.OnCommand(IDC_UPLOAD);
    check(window.copied.size() == static_cast<std::size_t>(count), "a line for every copy");
    check(window.line == "Ready.", "the upload to Ready.");

    // Per file over a stretch, in milliseconds: the whole, the emulator's
    // share, the program's share (and its processor time alone, which the
    // emulator's disk traffic does not hold up), and the bytes.
    const auto per_file = [&](const bench::BenchWindow::Copied& from,
                              const bench::BenchWindow::Copied& to, const std::string& name) {
      const double seconds = std::chrono::duration<double>(to.at - from.at).count();
      const double emulator = to.emulator - from.emulator;
      const double program_cpu = (to.cpu - from.cpu) - (to.emulator_cpu - from.emulator_cpu);
      state.counters[name + "_ms"] = seconds * 1000.0 / stretch;
      state.counters[name + "_emulator_ms"] = emulator * 1000.0 / stretch;
      state.counters[name + "_program_ms"] = (seconds - emulator) * 1000.0 / stretch;
      state.counters[name + "_program_cpu_ms"] = program_cpu * 1000.0 / stretch;
      state.counters[name + "_status_bytes"] =
          static_cast<double>(to.handed - from.handed) / stretch;
    };
    const std::size_t last = window.copied.size() - 1;
    per_file(window.copied[0], window.copied[stretch], "first");
    per_file(window.copied[last - stretch], window.copied[last], "last");
    for (const std::string figure : {"_ms", "_program_ms", "_program_cpu_ms", "_status_bytes"}) {
      state.counters["ratio" + figure] =
          state.counters["last" + figure] / state.counters["first" + figure];
    }
    state.counters["status_kept_bytes"] = static_cast<double>(window.record_bytes);
    c.report.close_transfer_report();
    c.startup_done = false;
    c.clock_check_done = false;
  }
}

BENCHMARK(BM_UploadThroughTheWindow)
    ->Arg(10000)
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
