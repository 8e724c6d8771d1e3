// Another program sampled from outside: rs-host left running with
// --seconds 0 until a Ctrl-C, as an operator leaves it.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "sampling_loop.hpp"

namespace long_run {

struct ProcessRunSettings {
  LoopSettings loop;
  std::vector<std::string> command;  // program and arguments
  std::string outputPath;            // where the program's output goes
  double stopTimeout = 60;           // seconds allowed between SIGINT and the exit
};

// The packets and restarts of all sources in one of rs-host's status lines
// ("[ 12.0 s] cam0: 359 pkts ... | cam1: ... restarts 2 down 7.5 s"), or
// nothing for any other line.
struct StatusFigures {
  std::uint64_t packets = 0;
  std::uint64_t restarts = 0;
};
std::optional<StatusFigures> ParseStatusLine(const std::string& line);

// Starts the program, samples it until the time is up, then sends SIGINT
// and waits for it. True when it was still running at the end and then
// exited with status 0.
bool RunProcess(const ProcessRunSettings& settings, std::ostream& out);

}  // namespace long_run
