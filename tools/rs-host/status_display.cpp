#include "status_display.hpp"

#include <iomanip>
#include <sstream>
#include <utility>

namespace rs_host {
namespace {

constexpr const char* kEraseToEnd = "\x1b[K";

}  // namespace

StatusDisplay::~StatusDisplay() {
  Finish();
}

std::string StatusDisplay::Format(double elapsedSeconds, const std::vector<SourceStatus>& sources,
                                  const std::vector<double>& fps) {
  std::ostringstream line;
  line << std::fixed << std::setprecision(1) << "[" << std::setw(5) << elapsedSeconds << " s]";
  for (std::size_t i = 0; i < sources.size(); ++i) {
    const auto& source = sources[i];
    const auto& r = source.report;
    line << (i == 0 ? " " : " | ") << source.name << ": ";
    if (source.state != SourceState::Running) {
      line << (source.state == SourceState::Starting ? "starting" : "not running");
      continue;
    }
    line << r.packets << " pkts " << std::setprecision(1) << (i < fps.size() ? fps[i] : 0.0)
         << " fps depth " << (r.depthPackets > 0 ? "yes" : "no") << " ";
    line << (r.lastFormat ? DescribeFormat(*r.lastFormat) : std::string("no params"));
    line << " lost " << r.lostFrames;
    // The camera's figures come with the module's health lines (stats_s).
    if (r.colorDrops + r.depthDrops > 0)
      line << " drops " << r.colorDrops << "/" << r.depthDrops;
    if (r.staleDepth > 0)
      line << " stale " << r.staleDepth;
    if (r.notifications > 0)
      line << " notes " << r.notifications;
    if (r.asicC || r.projectorC) {
      line << " temp " << std::setprecision(1);
      (r.asicC ? line << *r.asicC : line << "n/a") << "/";
      (r.projectorC ? line << *r.projectorC : line << "n/a") << " C";
    }
    if (r.hardwareResets > 0)
      line << " resets " << r.hardwareResets;
    if (r.restarts > 0) {
      line << " restarts " << r.restarts << " down " << std::setprecision(1) << r.downSeconds
           << " s";
      if (r.down)
        line << " (restarting)";
    }
    if (r.limitReached)
      line << " (done)";
  }
  return line.str();
}

void StatusDisplay::Update(double elapsedSeconds, const std::vector<SourceStatus>& sources) {
  lastPackets_.resize(sources.size(), 0);
  const double interval = elapsedSeconds - lastElapsed_;
  std::vector<double> fps(sources.size(), 0.0);
  for (std::size_t i = 0; i < sources.size(); ++i) {
    const auto packets = sources[i].report.packets;
    if (interval > 0)
      fps[i] = static_cast<double>(packets - lastPackets_[i]) / interval;
    lastPackets_[i] = packets;
  }
  lastElapsed_ = elapsedSeconds;

  auto text = Format(elapsedSeconds, sources, fps);
  const std::lock_guard<std::mutex> lock(mutex_);
  if (terminal_) {
    // Carriage return and erase-to-end redraw the line in place.
    out_ << "\r" << text << kEraseToEnd << std::flush;
    lineOpen_ = true;
    shown_ = std::move(text);
  } else {
    out_ << text << "\n" << std::flush;
  }
}

void StatusDisplay::PrintLine(std::ostream& to, const std::string& line) {
  const std::lock_guard<std::mutex> lock(mutex_);
  if (lineOpen_)
    out_ << "\r" << kEraseToEnd << std::flush;
  to << line << "\n" << std::flush;
  if (lineOpen_)
    out_ << shown_ << kEraseToEnd << std::flush;
}

void StatusDisplay::Finish() {
  const std::lock_guard<std::mutex> lock(mutex_);
  if (lineOpen_)
    out_ << "\n" << std::flush;
  lineOpen_ = false;
}

}  // namespace rs_host
