#include "recording_series.hpp"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <optional>
#include <system_error>

#include "record_path.hpp"

namespace vs_realsense2 {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kStartLength = 16;  // yyyymmddThhmmssZ

std::string StartText(std::time_t utc) {
  std::tm parts{};
#ifdef _WIN32
  gmtime_s(&parts, &utc);
#else
  gmtime_r(&utc, &parts);
#endif
  char text[kStartLength + 1] = {};
  std::strftime(text, sizeof text, "%Y%m%dT%H%M%SZ", &parts);
  return text;
}

bool Digits(const std::string& text, std::size_t from, std::size_t count) {
  if (from + count > text.size())
    return false;
  return std::all_of(text.begin() + static_cast<std::ptrdiff_t>(from),
                     text.begin() + static_cast<std::ptrdiff_t>(from + count),
                     [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; });
}

bool IsStart(const std::string& text) {
  return text.size() == kStartLength && Digits(text, 0, 8) && text[8] == 'T' &&
         Digits(text, 9, 6) && text[15] == 'Z';
}

// The file's place in the series of `stem` and `extension`, or nothing for
// any other name.
std::optional<SeriesFile> Member(const std::string& name, const std::string& stem,
                                 const std::string& extension) {
  const std::string prefix = stem + "-";
  if (name.size() < prefix.size() + kStartLength + extension.size() ||
      name.compare(0, prefix.size(), prefix) != 0 ||
      name.compare(name.size() - extension.size(), extension.size(), extension) != 0) {
    return std::nullopt;
  }
  const std::string middle =
      name.substr(prefix.size(), name.size() - prefix.size() - extension.size());
  SeriesFile file{{}, middle.substr(0, std::min(middle.size(), kStartLength)), 0, 0};
  if (!IsStart(file.start))
    return std::nullopt;
  const std::string rest = middle.substr(kStartLength);
  if (!rest.empty()) {
    // "-N", N from 1 without leading zeros and short enough to be a number
    if (rest.size() < 2 || rest.size() > 10 || rest[0] != '-' || rest[1] == '0' ||
        !Digits(rest, 1, rest.size() - 1)) {
      return std::nullopt;
    }
    file.number = static_cast<unsigned>(std::stoul(rest.substr(1)));
  }
  return file;
}

}  // namespace

std::string RecordingFolder(const std::string& path) {
  const fs::path folder = fs::u8path(path).parent_path();
  return folder.empty() ? std::string(".") : folder.u8string();
}

std::string NextFreeSeriesPath(const std::string& path, std::time_t utcStart) {
  const fs::path original = fs::u8path(path);
  fs::path first = original;
  first.replace_filename(fs::u8path(original.stem().u8string() + "-" + StartText(utcStart) +
                                    original.extension().u8string()));
  return NextFreeRecordPath(first.u8string());
}

std::vector<SeriesFile> ListSeries(const std::string& path) {
  const fs::path original = fs::u8path(path);
  const std::string stem = original.stem().u8string();
  const std::string extension = original.extension().u8string();
  fs::path folder = original.parent_path();
  if (folder.empty())
    folder = ".";
  std::vector<SeriesFile> series;
  std::error_code error;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    std::optional<SeriesFile> file = Member(it->path().filename().u8string(), stem, extension);
    std::error_code statError;
    if (!file || !it->is_regular_file(statError))
      continue;
    const std::uintmax_t bytes = it->file_size(statError);
    file->bytes = statError ? 0 : bytes;
    fs::path member = original;
    member.replace_filename(it->path().filename());
    file->path = member.u8string();
    series.push_back(std::move(*file));
  }
  std::sort(series.begin(), series.end(), [](const SeriesFile& a, const SeriesFile& b) {
    return a.start != b.start ? a.start < b.start : a.number < b.number;
  });
  return series;
}

std::vector<SeriesFile> OverBudget(const std::vector<SeriesFile>& series,
                                   const std::string& openFile, std::uint64_t keepBytes,
                                   std::size_t keepFiles, std::size_t newFiles) {
  std::uint64_t bytes = 0;
  for (const SeriesFile& file : series)
    bytes += file.bytes;
  std::size_t files = series.size() + newFiles;
  const auto fits = [&] {
    return (keepBytes == 0 || bytes <= keepBytes) && (keepFiles == 0 || files <= keepFiles);
  };
  std::vector<SeriesFile> over;
  for (const SeriesFile& file : series) {
    if (fits())
      break;
    if (file.path == openFile)
      continue;
    over.push_back(file);
    bytes -= file.bytes;
    --files;
  }
  return over;
}

}  // namespace vs_realsense2
