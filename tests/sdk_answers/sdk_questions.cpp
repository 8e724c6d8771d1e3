#include "sdk_questions.hpp"

#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <stdexcept>
#include <utility>

#include <librealsense2/rs.hpp>

namespace vs_sdk_answers {
namespace {

using Question = std::function<std::string(const std::string& scratch)>;

// A serial number no camera has; the library waits for it as for any other.
constexpr const char* kUnknownSerial = "123456789012";

std::string StartWith(rs2::config& config) {
  rs2::pipeline pipeline;
  pipeline.start(config);
  pipeline.stop();
  return "started";
}

std::string PlayFile(const std::string& path) {
  rs2::config config;
  config.enable_device_from_file(path);
  return StartWith(config);
}

std::string WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
  return path;
}

// Every option a block supports, with its range and value: what the module checks the depth
// filter keys against.
std::string OptionsOf(const rs2::filter& block) {
  std::string text;
  for (int i = 0; i <= static_cast<int>(RS2_OPTION_STREAM_INDEX_FILTER); ++i) {
    const auto option = static_cast<rs2_option>(i);
    if (!block.supports(option))
      continue;
    const rs2::option_range range = block.get_option_range(option);
    std::ostringstream one;
    one << rs2_option_to_string(option) << ' ' << range.min << ".." << range.max << " step "
        << range.step << " default " << range.def << " value " << block.get_option(option);
    text += (text.empty() ? "" : "; ") + one.str();
  }
  return text.empty() ? "no options" : text;
}

const std::vector<std::pair<std::string, Question>>& Questions() {
  static const std::vector<std::pair<std::string, Question>> questions{
      {"devices_listed",
       [](const std::string&) {
         return std::to_string(rs2::context().query_devices().size()) + " devices";
       }},
      {"start_without_camera",
       [](const std::string&) {
         rs2::pipeline pipeline;
         pipeline.start();
         return std::string("started");
       }},
      {"unknown_serial",
       [](const std::string&) {
         rs2::config config;
         config.enable_device(kUnknownSerial);
         return StartWith(config);
       }},
      {"size_no_camera_offers_resolved",
       [](const std::string&) {
         rs2::config config;
         config.enable_stream(RS2_STREAM_COLOR, -1, 1, 1, RS2_FORMAT_RGB8, 30);
         rs2::pipeline pipeline;
         const bool can = config.can_resolve(pipeline);
         config.resolve(pipeline);
         return std::string(can ? "can resolve" : "cannot resolve, yet resolved");
       }},
      {"missing_file",
       [](const std::string& scratch) { return PlayFile(scratch + "/missing.bag"); }},
      {"empty_file",
       [](const std::string& scratch) { return PlayFile(WriteFile(scratch + "/empty.bag", "")); }},
      {"text_file",
       [](const std::string& scratch) {
         return PlayFile(WriteFile(scratch + "/text.bag", "no recording\n"));
       }},
      {"stop_before_start",
       [](const std::string&) {
         rs2::pipeline pipeline;
         pipeline.stop();
         return std::string("stopped");
       }},
      {"decimation_filter_options",
       [](const std::string&) { return OptionsOf(rs2::decimation_filter()); }},
      {"threshold_filter_options",
       [](const std::string&) { return OptionsOf(rs2::threshold_filter()); }},
      {"disparity_transform_options",
       [](const std::string&) { return OptionsOf(rs2::disparity_transform(true)); }},
      {"spatial_filter_options",
       [](const std::string&) { return OptionsOf(rs2::spatial_filter()); }},
      {"temporal_filter_options",
       [](const std::string&) { return OptionsOf(rs2::temporal_filter()); }},
      {"hole_filling_filter_options",
       [](const std::string&) { return OptionsOf(rs2::hole_filling_filter()); }},
      {"decimation_magnitude_out_of_range",
       [](const std::string&) {
         rs2::decimation_filter(9.0f);
         return std::string("set");
       }},
      {"filter_option_not_supported",
       [](const std::string&) {
         return std::to_string(rs2::hole_filling_filter().get_option(RS2_OPTION_GAIN));
       }},
  };
  return questions;
}

std::string Scrub(std::string text, const std::string& scratch) {
  for (std::size_t at = text.find(scratch); at != std::string::npos; at = text.find(scratch))
    text.replace(at, scratch.size(), "SCRATCH");
  return text;
}

}  // namespace

std::vector<std::string> QuestionNames() {
  std::vector<std::string> names;
  for (const auto& question : Questions())
    names.push_back(question.first);
  return names;
}

Answer Ask(const std::string& name, const std::string& scratch) {
  for (const auto& question : Questions()) {
    if (question.first != name)
      continue;
    try {
      return {"ok", "", Scrub(question.second(scratch), scratch)};
    } catch (const rs2::error& e) {
      return {rs2_exception_type_to_string(e.get_type()), e.get_failed_function(),
              Scrub(e.what(), scratch)};
    }
  }
  throw std::invalid_argument("no question " + name);
}

std::string Format(const Answer& answer) {
  return answer.kind + " | " + answer.function + " | " + answer.text;
}

}  // namespace vs_sdk_answers
