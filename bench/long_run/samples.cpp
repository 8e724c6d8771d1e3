#include "samples.hpp"

#include <filesystem>
#include <fstream>
#include <iomanip>
#include <sstream>
#include <stdexcept>

namespace long_run {
namespace {

// The number after `key` in /proc/PID/status ("VmRSS:	  1234 kB").
std::optional<std::int64_t> StatusField(const std::string& status, const std::string& key) {
  const auto at = status.find("\n" + key + ":");
  if (at == std::string::npos)
    return std::nullopt;
  std::istringstream value(status.substr(at + key.size() + 2));
  std::int64_t number = 0;
  if (!(value >> number))
    return std::nullopt;
  return number;
}

}  // namespace

std::optional<Sample> ReadProcess(int pid) {
  const std::filesystem::path proc = "/proc/" + std::to_string(pid);
  std::ifstream file(proc / "status");
  if (!file)
    return std::nullopt;
  std::ostringstream text;
  text << "\n" << file.rdbuf();
  const std::string status = text.str();
  const auto rss = StatusField(status, "VmRSS");
  const auto threads = StatusField(status, "Threads");
  if (!rss || !threads)
    return std::nullopt;  // a zombie has neither
  Sample sample;
  sample.rssKiB = *rss;
  sample.threads = *threads;
  std::error_code error;
  for (std::filesystem::directory_iterator it(proc / "fd", error), end; !error && it != end;
       it.increment(error)) {
    ++sample.fds;
  }
  if (error)
    return std::nullopt;
  return sample;
}

std::string TableHeader() {
  return "    time   RSS KiB  threads  fds    packets  restarts";
}

std::string TableLine(const Sample& sample) {
  std::ostringstream line;
  line << std::fixed << std::setprecision(0) << std::setw(6) << sample.seconds << " s"
       << std::setw(10) << sample.rssKiB << std::setw(9) << sample.threads << std::setw(5)
       << sample.fds << std::setw(11) << sample.packets << std::setw(10) << sample.restarts;
  return line.str();
}

void WriteCsvHeader(std::ostream& out) {
  out << "seconds,rss_kib,threads,fds,packets,restarts\n";
}

void WriteCsvLine(std::ostream& out, const Sample& sample) {
  out << std::fixed << std::setprecision(1) << sample.seconds << "," << sample.rssKiB << ","
      << sample.threads << "," << sample.fds << "," << sample.packets << "," << sample.restarts
      << "\n"
      << std::flush;
}

std::vector<Sample> ReadCsv(std::istream& in) {
  std::vector<Sample> samples;
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    if (number == 1 || line.empty())
      continue;
    std::istringstream fields(line);
    Sample sample;
    char c1 = 0, c2 = 0, c3 = 0, c4 = 0, c5 = 0;
    if (!(fields >> sample.seconds >> c1 >> sample.rssKiB >> c2 >> sample.threads >> c3 >>
          sample.fds >> c4 >> sample.packets >> c5 >> sample.restarts) ||
        c1 != ',' || c2 != ',' || c3 != ',' || c4 != ',' || c5 != ',') {
      throw std::runtime_error("cannot read samples line " + std::to_string(number) + ": " + line);
    }
    samples.push_back(sample);
  }
  return samples;
}

}  // namespace long_run
