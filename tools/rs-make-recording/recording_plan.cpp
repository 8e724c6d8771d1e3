#include "recording_plan.hpp"

#include <cstdio>
#include <map>
#include <sstream>

#include <CLI/CLI.hpp>

namespace rs_make_recording {
namespace {

constexpr const char* kExamples =
    R"(Frames are written in real time: a recording of 2 s takes 2 s to make.
Colour byte i of frame n is (i + 7n) mod 251; every depth pixel of frame n is
1000 + n mm (units 0.001 m). Frame numbers start at 1.

Examples:
  RGB8 640x480 and Z16 640x480 at 30 Hz for one second:
    rs-make-recording --out /tmp/cam.bag
  Colour only, BGR8 320x240, system-time stamps, 10 framesets:
    rs-make-recording --out /tmp/bgr.bag --color bgr8 --color-size 320x240 --depth none \
      --domain system --framesets 10
  Two framesets dropped after the fifth, and 1.5 s of silence after the tenth:
    rs-make-recording --out /tmp/gaps.bag --hole 5:2 --silence 10:1500)";

// "WxH" with both at least 1.
std::string ReadSize(const std::string& text, VideoStream& stream) {
  int width = 0;
  int height = 0;
  char tail = 0;
  if (std::sscanf(text.c_str(), "%dx%d%c", &width, &height, &tail) != 2 || width < 1 || height < 1)
    return "size must be WIDTHxHEIGHT, for instance 640x480";
  stream.width = width;
  stream.height = height;
  return {};
}

// "A:B" with A >= 0 and B >= 1.
std::string ReadPair(const std::string& text, int& first, int& second) {
  char tail = 0;
  if (std::sscanf(text.c_str(), "%d:%d%c", &first, &second, &tail) != 2 || first < 0 || second < 1)
    return "expected AFTER:LENGTH with AFTER >= 0 and LENGTH >= 1, for instance 5:2";
  return {};
}

// "--NAME WxH" into `stream`'s size.
void AddSizeOption(CLI::App& app, const std::string& name, VideoStream& stream) {
  app.add_option_function<std::string>(
      name,
      [name, &stream](const std::string& text) {
        const std::string error = ReadSize(text, stream);
        if (!error.empty())
          throw CLI::ValidationError(name, error);
      },
      "WIDTHxHEIGHT (default 640x480)");
}

// "--NAME AFTER:LENGTH", repeatable, each appended to `gaps` (Hole or Silence).
template <class Gap>
void AddPairOption(CLI::App& app, const std::string& name, const std::string& help,
                   std::vector<Gap>& gaps) {
  app.add_option_function<std::vector<std::string>>(
      name,
      [name, &gaps](const std::vector<std::string>& texts) {
        for (const std::string& text : texts) {
          int after = 0;
          int length = 0;
          const std::string error = ReadPair(text, after, length);
          if (!error.empty())
            throw CLI::ValidationError(name, error);
          gaps.push_back({after, length});
        }
      },
      help + " (repeatable)");
}

}  // namespace

std::optional<RecordingPlan> ParsePlan(const std::vector<std::string>& args, std::string& message,
                                       int& exitCode) {
  RecordingPlan plan;
  CLI::App app{
      "rs-make-recording: writes a short RealSense recording (.bag) from a software camera, with "
      "the library's own recorder."};
  app.footer(kExamples);
  app.add_option("--out", plan.path, "the file to write")->required();
  const std::map<std::string, rs2_format> colorFormats{{"rgb8", RS2_FORMAT_RGB8},
                                                       {"bgr8", RS2_FORMAT_BGR8},
                                                       {"yuyv", RS2_FORMAT_YUYV},
                                                       {"none", RS2_FORMAT_ANY}};
  const std::map<std::string, rs2_format> depthFormats{{"z16", RS2_FORMAT_Z16},
                                                       {"none", RS2_FORMAT_ANY}};
  const std::map<std::string, rs2_timestamp_domain> domains{
      {"hardware", RS2_TIMESTAMP_DOMAIN_HARDWARE_CLOCK},
      {"system", RS2_TIMESTAMP_DOMAIN_SYSTEM_TIME},
      {"global", RS2_TIMESTAMP_DOMAIN_GLOBAL_TIME}};
  app.add_option("--color", plan.color.format, "rgb8, bgr8, yuyv or none (default rgb8)")
      ->transform(CLI::CheckedTransformer(colorFormats, CLI::ignore_case))
      ->option_text("FORMAT");
  app.add_option("--depth", plan.depth.format, "z16 or none (default z16)")
      ->transform(CLI::CheckedTransformer(depthFormats, CLI::ignore_case))
      ->option_text("FORMAT");
  AddSizeOption(app, "--color-size", plan.color);
  AddSizeOption(app, "--depth-size", plan.depth);
  app.add_option("--fps", plan.fps, "framesets per second (default 30)")->check(CLI::Range(1, 300));
  app.add_option("--framesets", plan.framesets, "framesets sent (default 30)")
      ->check(CLI::Range(1, 100000));
  app.add_option("--domain", plan.domain, "timestamp domain: hardware, system or global")
      ->transform(CLI::CheckedTransformer(domains, CLI::ignore_case))
      ->option_text("DOMAIN");
  app.add_option("--first-timestamp", plan.firstTimestampMs,
                 "timestamp of the first frameset in ms (default 1000)");
  app.add_option("--serial", plan.serial, "the recorded camera's serial number");
  app.add_option("--file-size-limit", plan.fileSizeLimit,
                 "BYTES: writes beyond fail as on a full disk (RLIMIT_FSIZE, SIGXFSZ ignored)");
  AddPairOption(app, "--hole", "AFTER:COUNT: COUNT framesets dropped after frameset AFTER",
                plan.holes);
  AddPairOption(app, "--silence", "AFTER:MS: nothing sent for MS ms after frameset AFTER",
                plan.silences);

  std::vector<std::string> reversed(args.rbegin(), args.rend());
  try {
    app.parse(reversed);
    if (plan.color.format == RS2_FORMAT_ANY && plan.depth.format == RS2_FORMAT_ANY)
      throw CLI::ValidationError("--color/--depth", "a recording needs colour or depth");
  } catch (const CLI::ParseError& e) {
    std::ostringstream out;
    std::ostringstream err;
    exitCode = app.exit(e, out, err);
    message = out.str() + err.str();
    return std::nullopt;
  }
  return plan;
}

}  // namespace rs_make_recording
