#include "sdk_questions.hpp"

#include <fstream>
#include <functional>
#include <map>
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
      {"active_profile_before_start",
       [](const std::string&) {
         rs2::pipeline pipeline;
         return std::to_string(pipeline.get_active_profile().get_streams().size()) + " streams";
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
