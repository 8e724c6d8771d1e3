// long_run: memory, threads and descriptors of the module and of rs-host over
// a long run, sampled every few seconds, checked against allowances and
// drawn. bench/long_run/README.md says how to run it.
#include <filesystem>
#include <fstream>
#include <iostream>

#include <CLI/CLI.hpp>

#include "growth_check.hpp"
#include "module_run.hpp"
#include "plot.hpp"
#include "process_run.hpp"

namespace {

struct Common {
  std::string out = "long-run";
  std::string title;
  double warmup = 30;
  long_run::Allowance allowance;
};

void AddCommon(CLI::App& app, Common& common, long_run::LoopSettings* loop) {
  app.add_option("--out", common.out, "Directory for samples.csv, plot.png and verdict.txt");
  app.add_option("--title", common.title, "Title of the plot");
  app.add_option("--warmup", common.warmup, "Seconds before growth counts (default 30)");
  app.add_option("--rss-allowance", common.allowance.rssKiB,
                 "KiB resident memory may grow after the warm-up (default 1024)");
  app.add_option("--thread-allowance", common.allowance.threads,
                 "Threads that may be added after the warm-up (default 0)");
  app.add_option("--fd-allowance", common.allowance.fds,
                 "Descriptors that may be added after the warm-up (default 0)");
  if (loop != nullptr) {
    app.add_option("--seconds", loop->seconds, "Length of the run (default 120)");
    app.add_option("--interval", loop->interval, "Seconds between samples (default 5)");
  }
}

// Reads the samples back from the file, checks them, draws them. Returns
// whether every figure passed.
bool Report(const Common& common, const std::string& csvPath, std::ostream& out) {
  std::ifstream csv(csvPath);
  if (!csv)
    throw std::runtime_error("cannot read " + csvPath);
  const auto samples = long_run::ReadCsv(csv);
  const auto verdicts = long_run::CheckGrowth(samples, common.warmup, common.allowance);
  const std::string table = long_run::VerdictTable(verdicts);
  const bool ok = long_run::AllOk(verdicts);
  const std::filesystem::path dir = common.out;
  std::ofstream(dir / "verdict.txt") << table << (ok ? "PASS\n" : "FAIL\n");
  const std::string png = (dir / "plot.png").string();
  long_run::DrawPlot(long_run::PlotScript(samples, common.warmup, common.title, csvPath, png),
                     (dir / "plot.gp").string());
  out << "\nAfter a warm-up of " << common.warmup << " s (medians of the first and last third):\n"
      << table << (ok ? "PASS" : "FAIL") << "\nsamples: " << csvPath << "\nplot: " << png << "\n";
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"long_run: resident memory, threads and open descriptors over a long run"};
  app.require_subcommand(1);

  Common common;
  long_run::ModuleRunSettings module;
  auto* moduleCommand =
      app.add_subcommand("module", "The module in this process: simulated cameras and a playback");
  AddCommon(*moduleCommand, common, &module.loop);
  moduleCommand->add_option("--cameras", module.cameras, "Live sources of mixed modes (default 4)");
  moduleCommand->add_option("--keep", module.keepPackets,
                            "Packets the handler holds per source (default 0: drops them)");
  bool record = false;
  moduleCommand->add_flag("--record", record,
                          "A camera more that records in 10 s files, at most 3 kept");
  moduleCommand->add_option("--replug-every", module.replugEvery,
                            "Seconds between unplugging camera 1 (default 60; 0: never)");

  long_run::ProcessRunSettings process;
  auto* processCommand = app.add_subcommand(
      "process", "Another program (rs-host --seconds 0 ...), sampled from outside, then SIGINT");
  AddCommon(*processCommand, common, &process.loop);
  processCommand->add_option("command", process.command, "The program and its arguments")
      ->required();

  std::string csvPath;
  auto* checkCommand =
      app.add_subcommand("check", "Checks and draws the samples of an earlier run again");
  AddCommon(*checkCommand, common, nullptr);
  checkCommand->add_option("csv", csvPath, "samples.csv of the run")->required();

  CLI11_PARSE(app, argc, argv);

  try {
    std::filesystem::create_directories(common.out);
    const std::string samples = (std::filesystem::path(common.out) / "samples.csv").string();
    bool ran = true;
    if (*moduleCommand) {
      module.loop.csvPath = samples;
      module.recordingPath = (std::filesystem::path(common.out) / "playback.bag").string();
      if (record)
        module.seriesFolder = (std::filesystem::path(common.out) / "series").string();
      ran = long_run::RunModule(module, std::cout);
      std::filesystem::remove(module.recordingPath);
      if (!module.seriesFolder.empty())
        std::filesystem::remove_all(module.seriesFolder);
      csvPath = samples;
    } else if (*processCommand) {
      process.loop.csvPath = samples;
      process.outputPath = (std::filesystem::path(common.out) / "output.txt").string();
      ran = long_run::RunProcess(process, std::cout);
      csvPath = samples;
    }
    const bool ok = Report(common, csvPath, std::cout);
    return ran && ok ? 0 : 1;
  } catch (const std::exception& e) {
    std::cerr << "long_run: " << e.what() << "\n";
    return 1;
  }
}
