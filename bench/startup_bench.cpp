// The main window's start-up to "Ready." on a copy of the demo data collector:
// the report opened, the options read, the PC folder read and filled, the
// connection with the clock check, the projects folder found from vmark.ini,
// the device folder read and filled. The window is a view that draws nothing.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "bench_run.h"
#include "bench_window.h"
#include "settings/options_store.h"
#include "ui/transfer_dlg.h"

namespace {

using namespace vmt;
using bench::check;
namespace fs = std::filesystem;

void BM_StartupToReady(benchmark::State& state) {
  bench::BenchRun run("startup");
  fs::remove_all(run.root() / "device");
  fs::copy(fs::path(VMT_SOURCE_DIR) / "examples" / "demo-device", run.root() / "device",
           fs::copy_options::recursive);
  fs::copy(fs::path(VMT_SOURCE_DIR) / "examples" / "demo-desktop", run.root() / "desktop",
           fs::copy_options::recursive);
  app::RunContext& c = run.context();
  const std::string options = settings::transfer_options_key();
  bench::arrange_key(c, options.c_str(), "DefSyncProgram", "User defined");
  bench::arrange_key(c, options.c_str(), "UserDownDir", run.desktop("desktop/Downloads"));
  bench::arrange_key(c, options.c_str(), "UserUpDir", run.desktop("desktop/Uploads"));
  bench::arrange_key(c, options.c_str(), "UserCsvDir", run.desktop("desktop/Featlink"));
  bench::arrange_key(c, options.c_str(), "CreateReports", "1");
  bench::arrange_key(c, options.c_str(), "TransferExe", c.platform.files.executable_path());
  bench::arrange_key(c, "Software\\Microsoft\\Windows CE Services\\AutoStartOnConnect", nullptr,
                     {});
  bench::CountingIcons icon_list;
  ui::IconCache icons(icon_list);
  std::size_t device_items = 0;
  for (auto _ : state) {
    // Each start is the run's first: the clock check and the projects folder again.
    c.startup_done = false;
    c.clock_check_done = false;
    c.field_program = 0;
    c.projects_folder.clear();
    bench::BenchWindow window;
    ui::CTRA_Transfer_Dlg dialog(c, window, icons);
    dialog.OnInit();
    dialog.OnTimer(ui::kStartupTimer);
    check(window.line == "Ready.", "the start-up to Ready.");
    device_items = static_cast<std::size_t>(window.device.items);
    c.report.close_transfer_report();
  }
  state.counters["device_entries"] = static_cast<double>(device_items);
}

BENCHMARK(BM_StartupToReady)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
