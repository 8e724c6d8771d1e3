#include "plot.hpp"

#include <algorithm>
#include <chrono>
#include <fstream>
#include <functional>
#include <sstream>
#include <stdexcept>

#include <vs_test_support/child_process.hpp>

namespace long_run {
namespace {

struct Panel {
  const char* label;
  const char* colour;
  const char* column;  // gnuplot's expression of the CSV's columns
  std::function<double(const Sample&)> value;
  double minSpan;  // the smallest range shown, so that noise does not fill the panel
};

// gnuplot's single-quoted strings take a quote as two.
std::string Quoted(const std::string& text) {
  std::string quoted = "'";
  for (const char c : text) {
    if (c == '\'')
      quoted += "''";
    else if (c != '\n' && c != '\r')
      quoted += c;
  }
  return quoted + "'";
}

// Judged samples only, unless the run ended inside its warm-up.
std::pair<double, double> Range(const Panel& panel, const std::vector<Sample>& samples,
                                double warmupSeconds) {
  const bool judged = !samples.empty() && samples.back().seconds >= warmupSeconds;
  double low = 0, high = 0;
  bool first = true;
  for (const Sample& s : samples) {
    if (judged && s.seconds < warmupSeconds)
      continue;
    const double v = panel.value(s);
    low = first ? v : std::min(low, v);
    high = first ? v : std::max(high, v);
    first = false;
  }
  const double margin = std::max(high - low, panel.minSpan) * 0.1;
  const double middle = (low + high) / 2;
  const double half = std::max(high - low, panel.minSpan) / 2;
  return {middle - half - margin, middle + half + margin};
}

}  // namespace

std::string PlotScript(const std::vector<Sample>& samples, double warmupSeconds,
                       const std::string& title, const std::string& csvPath,
                       const std::string& pngPath) {
  const std::vector<Panel> panels{
      {"resident memory, MiB", "#1f5fbf", "($2/1024)",
       [](const Sample& s) { return static_cast<double>(s.rssKiB) / 1024.0; }, 4},
      {"threads", "#bf3f1f", "3", [](const Sample& s) { return static_cast<double>(s.threads); },
       2},
      {"open file descriptors", "#2f8f2f", "4",
       [](const Sample& s) { return static_cast<double>(s.fds); }, 2}};
  const double endMinutes = std::max(samples.empty() ? 0 : samples.back().seconds / 60, 0.1);
  std::ostringstream gp;
  gp << "set terminal pngcairo size 960,760 font ',10'\n"
     << "set output " << Quoted(pngPath) << "\n"
     << "set datafile separator ','\n"
     << "set key off\nset grid\nset lmargin 12\n"
     << "set xrange [0:" << endMinutes << "]\n"
     << "set multiplot layout " << panels.size() << ",1 title " << Quoted(title) << "\n";
  // The warm-up, not judged, shaded grey behind every panel.
  gp << "set object 1 rectangle from 0, graph 0 to " << std::min(warmupSeconds / 60, endMinutes)
     << ", graph 1 behind fillcolor rgb '#eeeeee' fillstyle solid noborder\n";
  for (std::size_t i = 0; i < panels.size(); ++i) {
    const Panel& panel = panels[i];
    const auto [low, high] = Range(panel, samples, warmupSeconds);
    gp << "set title " << Quoted(panel.label) << "\n"
       << "set yrange [" << low << ":" << high << "]\n";
    if (i + 1 == panels.size())
      gp << "set xlabel 'minutes (grey: warm-up)'\n";
    gp << "plot " << Quoted(csvPath) << " skip 1 using ($1/60):" << panel.column
       << " with lines linewidth 2 linecolor rgb '" << panel.colour << "'\n";
  }
  gp << "unset multiplot\n";
  return gp.str();
}

void DrawPlot(const std::string& script, const std::string& scriptPath) {
  if (!(std::ofstream(scriptPath) << script))
    throw std::runtime_error("cannot write " + scriptPath);
  vs_test_support::ChildProcess gnuplot("/usr/bin/gnuplot", {scriptPath});
  // It says only what went wrong; a gnuplot that hangs is killed.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  std::string said;
  while (std::chrono::steady_clock::now() < deadline &&
         gnuplot.Read(said, std::chrono::milliseconds(500))) {
  }
  const int status = gnuplot.WaitForExit(std::chrono::seconds(5)).value_or(-1);
  if (status != 0) {
    throw std::runtime_error("gnuplot " + scriptPath + " failed (status " + std::to_string(status) +
                             (status == 127 ? ", not installed" : "") + "): " + said);
  }
}

}  // namespace long_run
