// The files of a rotating recording: their names, which of them belong to the
// series, and which the budget lets go.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

namespace vs_realsense2 {

// The folder a recording's files go to ("." for a bare name).
[[nodiscard]] std::string RecordingFolder(const std::string& path);

// "<stem>-<UTC start yyyymmddThhmmssZ><ext>" beside `path`, or with "-1",
// "-2"... after the time when that name is taken: never an existing file.
// Names sort by time.
[[nodiscard]] std::string NextFreeSeriesPath(const std::string& path, std::time_t utcStart);

struct SeriesFile {
  std::string path;
  std::string start;  // the name's UTC time, yyyymmddThhmmssZ
  unsigned number;    // the name's "-N" after the time; 0 without
  std::uint64_t bytes;
};

// The regular files in the folder of `path` named as NextFreeSeriesPath names
// them (same stem and extension), oldest first: by the time in the name, then
// by its number. Nothing else in the folder is ever listed.
[[nodiscard]] std::vector<SeriesFile> ListSeries(const std::string& path);

// What must go so that `series` (oldest first) holds at most `keepBytes`
// bytes and `keepFiles` files (0: no limit), oldest first. The open file
// counts and is never among them. `newFiles` files about to be opened count
// against `keepFiles` too (their bytes are none yet).
[[nodiscard]] std::vector<SeriesFile> OverBudget(const std::vector<SeriesFile>& series,
                                                 const std::string& openFile,
                                                 std::uint64_t keepBytes, std::size_t keepFiles,
                                                 std::size_t newFiles = 0);

}  // namespace vs_realsense2
