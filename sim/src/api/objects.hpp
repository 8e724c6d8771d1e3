// The handles of the C API that several translation units share.

#ifndef RS2SIM_SRC_API_OBJECTS_HPP
#define RS2SIM_SRC_API_OBJECTS_HPP

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "engine/pipeline_run.hpp"
#include "engine/profile.hpp"
#include "engine/registry.hpp"

struct rs2_context {};  // every context sees the one process-wide registry

struct rs2_device {
  rs2sim::DevicePtr spec;
  // The pipeline profile's device of a recording pipeline is its record device.
  std::shared_ptr<rs2sim::Recorder> recorder = nullptr;
};

struct rs2_pipeline_profile {
  rs2sim::DevicePtr device;
  std::vector<ProfilePtr> streams;
  std::shared_ptr<rs2sim::Recorder> recorder = nullptr;
};

struct rs2_config {
  std::optional<std::string> serial;
  std::vector<rs2sim::StreamRequest> requests;
  std::string recordPath;
  std::string playbackPath;
  bool repeat = true;
};

struct rs2_pipeline {
  rs2_pipeline() : alive(rs2sim::TheRegistry().counters.pipelinesAlive) {}
  ~rs2_pipeline();

  rs2sim::CountedScope alive;
  std::mutex mutex;
  std::shared_ptr<rs2sim::PipelineRun> run;
};

#endif  // RS2SIM_SRC_API_OBJECTS_HPP
