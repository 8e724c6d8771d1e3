#include "options.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <set>
#include <stdexcept>
#include <system_error>
#include <utility>

#include <CLI/CLI.hpp>
#include <address/address_keys.hpp>

namespace rs_host {
namespace {

constexpr const char* kAddressKeys =
    R"(Sources are addresses of the scheme "realsense"; the query (realsense://?key=value&...)
picks the camera, the streams, recording or playback and the camera's controls.
Keys are case-sensitive, the first of a key wins, and every key is optional:
)";

// The column the help text is wrapped to.
constexpr std::size_t kHelpWidth = 80;

constexpr const char* kExamples =
    R"(Examples:
  The cameras connected and their stream modes:
    rs-host --list
  Live camera, whatever it offers, for 5 seconds:
    rs-host 'realsense://'
  Live camera at chosen sizes, with a JSON summary and snapshots:
    rs-host --json run.json --snapshot shots 'realsense://?c_width=640&c_height=480&c_fps=30&d_width=640&d_height=480&d_fps=30'
  One camera by serial number, until 300 packets have arrived:
    rs-host --frames 300 'realsense://?sn=123456789012'
  Two cameras at once, with their own names:
    rs-host --name left --name right 'realsense://?sn=SERIAL1' 'realsense://?sn=SERIAL2'
  Recording the live camera to a file for 10 seconds:
    rs-host --seconds 10 'realsense://?c_width=640&c_height=480&c_fps=30&record_to_file=%2Ftmp%2Fcam.bag'
  Playing that recording back (it loops) with the module's debug lines:
    rs-host --log-level debug 'realsense://?playback_from_file=%2Ftmp%2Fcam.bag'
  In a build against the simulated camera (rs2sim), RS2SIM_DEVICES=N asks for
  N cameras, with the serial numbers 900000000000, 900000000001, ...:
    RS2SIM_DEVICES=2 rs-host 'realsense://?sn=900000000000' 'realsense://?sn=900000000001'
  There, the camera pulled out at 3 s and plugged back in at 6 s, to watch the
  module restart the source (watchdog_ms: how soon it notices):
    RS2SIM_DEVICES=1 rs-host --seconds 12 --unplug 900000000000@3 --replug 900000000000@6 'realsense://?watchdog_ms=500'

The summary's "packet age" is the arrival time (system clock) minus the
packet's time. The module maps the camera's clock onto the system clock, so
for a live camera it is the delay from that mapped time to the handler: near
zero by construction, not the camera-to-host latency.

Ctrl-C or SIGTERM stops the sources in order and still writes the summary; a
second one ends the program at once (exit status 130).

Exit status: 0 when every source started and delivered; 1 when a source failed
to start, the module could not be loaded or a file could not be written; 2 on
a usage error; 3 when every source started but one delivered no packet.)";

// Names become file names of snapshots and are matched in the module's log
// lines, so they are kept to characters that are safe in both.
std::string CheckName(const std::string& name) {
  if (name.empty())
    return "a source name must not be empty";
  const bool safe = std::all_of(name.begin(), name.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '_' || c == '.';
  });
  if (!safe || name == "." || name == "..") {
    return "source name '" + name + "' may hold only letters, digits, '-', '_' and '.'";
  }
  return {};
}

std::string CheckLogLevel(const std::string& text) {
  orvlog::Severity ignored{};
  if (orvlog::ParseSeverity(text, &ignored))
    return {};
  return "log level must be one of trace, debug, info, warning, error";
}

// A value that CLI11 took as text but that means nothing here; its text is the line for the
// operator, without "rs-host: ".
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Numbers are read here rather than by CLI11, whose messages for a bad one name its type and
// print the bounds of a double in full.
double Seconds(const std::string& subject, const std::string& text) {
  double value = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  if (error == std::errc::result_out_of_range)
    throw UsageError(subject + " is out of range (got " + text + ")");
  if (error != std::errc() || stop != end || !std::isfinite(value))
    throw UsageError(subject + " must be a number of seconds (got " + text + ")");
  if (value < 0)
    throw UsageError(subject + " must be 0 or more (got " + text + ")");
  return value;
}

std::uint64_t Count(const std::string& subject, const std::string& text) {
  std::uint64_t value = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  if (error == std::errc::result_out_of_range) {
    throw UsageError(subject + " must be at most " +
                     std::to_string(std::numeric_limits<std::uint64_t>::max()) + " (got " + text +
                     ")");
  }
  if (error == std::errc() && stop == end)
    return value;
  double number = 0;
  const auto asNumber = std::from_chars(text.data(), end, number);
  if (asNumber.ec == std::errc() && asNumber.ptr == end && number < 0)
    throw UsageError(subject + " must be 0 or more (got " + text + ")");
  throw UsageError(subject + " must be a whole number (got " + text + ")");
}

// --unplug SERIAL@SECONDS and --replug SERIAL@SECONDS; a serial may hold an '@' of its own.
PlugAction PlugActionOf(const std::string& option, const std::string& text) {
  const auto at = text.rfind('@');
  if (at == std::string::npos || at == 0)
    throw UsageError(option + " must be SERIAL@SECONDS (got " + text + ")");
  PlugAction action;
  action.unplug = option == "--unplug";
  action.serial = text.substr(0, at);
  action.seconds = Seconds("the seconds of " + option + " " + text, text.substr(at + 1));
  return action;
}

#ifdef RS_HOST_WITH_SIM
constexpr bool kSimulatedCamera = true;
#else
constexpr bool kSimulatedCamera = false;
#endif

}  // namespace

std::string DefaultSourceName(std::size_t index) {
  return "cam" + std::to_string(index);
}

ParsedCommandLine ParseCommandLine(const std::vector<std::string>& args, std::ostream& out,
                                   std::ostream& err) {
  CLI::App app{
      "rs-host: runs RealSense sources through the vs_realsense2 module the way a video server "
      "does, shows what they deliver and summarises it.",
      "rs-host"};
  app.footer(kAddressKeys + vs_realsense2::PlainKeyList(kHelpWidth) + "\n" + kExamples);
  app.get_formatter()->column_width(30);

  Options options;
  std::string logLevel = "info";
  std::string secondsText;
  std::string framesText;
  app.add_option("address", options.addresses,
                 "Source address (realsense://?...); one source per address");
  app.add_flag("--list", options.list,
               "List every connected camera (name, serial number, firmware, USB type) and its "
               "stream modes, then exit");
  app.add_option("--name", options.names,
                 "Name of the next source, once per source in address order "
                 "(default cam0, cam1, ...)")
      ->allow_extra_args(false)
      ->check([](const std::string& name) { return CheckName(name); });
  app.add_option("--seconds", secondsText,
                 "Run time in seconds; 0 runs until Ctrl-C or the --frames limit (default 5, "
                 "or no limit when only --frames is given)")
      ->type_name("FLOAT");
  app.add_option("--frames", framesText,
                 "Stop once every running source has delivered this many packets; later packets "
                 "are not counted")
      ->type_name("UINT");
  app.add_option("--log-level", logLevel,
                 "Console log level of the module and the host: trace, debug, info, warning, "
                 "error (default info)")
      ->check([](const std::string& text) { return CheckLogLevel(text); });
  app.add_option("--module", options.modulePath,
                 "Path of the module library (default: the one installed or built with rs-host)");
  app.add_option("--json", options.jsonPath, "Write the summary as JSON to this file");
  app.add_option("--snapshot", options.snapshotDir,
                 "Write each source's last colour frame and colourised depth frame as PNG files "
                 "NAME_color.png and NAME_depth.png into this directory (created if missing)");
  std::vector<std::string> unplugTexts;
  std::vector<std::string> replugTexts;
  auto* unplug =
      app.add_option("--unplug", unplugTexts,
                     "Simulated camera only: pull the camera with this serial number out this "
                     "many seconds into the run, as a pulled cable would (repeatable)")
          ->type_name("SERIAL@SECONDS")
          ->allow_extra_args(false);
  auto* replug = app.add_option("--replug", replugTexts,
                                "Simulated camera only: plug that camera back in this many "
                                "seconds into the run (repeatable)")
                     ->type_name("SERIAL@SECONDS")
                     ->allow_extra_args(false);
  // A build on the real library keeps them out of its help, and refuses them with a word.
  if (!kSimulatedCamera) {
    unplug->group("");
    replug->group("");
  }

  std::vector<const char*> argv;
  argv.reserve(args.size() + 1);
  argv.push_back("rs-host");
  for (const auto& arg : args)
    argv.push_back(arg.c_str());

  ParsedCommandLine result;
  try {
    app.parse(static_cast<int>(argv.size()), argv.data());
  } catch (const CLI::ParseError& e) {
    result.exitCode = app.exit(e, out, err);
    // CLI11 reports success for --help; every real parse error becomes 2.
    if (result.exitCode != 0)
      result.exitCode = 2;
    return result;
  }

  try {
    if (app.count("--seconds") != 0)
      options.seconds = Seconds("--seconds", secondsText);
    if (app.count("--frames") != 0)
      options.frames = Count("--frames", framesText);
    for (const auto& [option, texts] :
         {std::pair{"--unplug", &unplugTexts}, {"--replug", &replugTexts}}) {
      if (!texts->empty() && !kSimulatedCamera)
        throw UsageError(std::string(option) + " needs a build on the simulated camera (rs2sim)");
      for (const auto& text : *texts)
        options.plugActions.push_back(PlugActionOf(option, text));
    }
  } catch (const UsageError& e) {
    err << "rs-host: " << e.what() << "\n";
    result.exitCode = 2;
    return result;
  }
  if (options.list != options.addresses.empty()) {
    err << (options.list ? "rs-host: --list takes no address\n"
                         : "rs-host: address is required (one per source), or --list\n");
    result.exitCode = 2;
    return result;
  }
  if (options.names.size() > options.addresses.size()) {
    err << "rs-host: " << options.names.size() << " names given for " << options.addresses.size()
        << " sources\n";
    result.exitCode = 2;
    return result;
  }
  for (std::size_t i = options.names.size(); i < options.addresses.size(); ++i) {
    options.names.push_back(DefaultSourceName(i));
  }
  const std::set<std::string> unique(options.names.begin(), options.names.end());
  if (unique.size() != options.names.size()) {
    err << "rs-host: source names must differ from each other\n";
    result.exitCode = 2;
    return result;
  }
  if (options.frames > 0 && app.count("--seconds") == 0)
    options.seconds = 0;
  orvlog::ParseSeverity(logLevel, &options.logLevel);
  result.options = std::move(options);
  return result;
}

}  // namespace rs_host
