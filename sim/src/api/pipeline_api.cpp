// Configuration and pipeline functions of the C API.

#include <librealsense2/h/rs_pipeline.h>
#include <librealsense2/hpp/rs_types.hpp>

#include <algorithm>

#include "api/guarded.hpp"
#include "api/objects.hpp"

using rs2sim::ArgText;
using rs2sim::Fail;
using rs2sim::Guarded;
using rs2sim::GuardedVoid;
using rs2sim::NotNull;

namespace rs2sim {
namespace {

const char kNoDevice[] = "No device connected";
const char kUnresolved[] =
    "Failed to resolve request. No device found that satisfies all requirements";

// What a configuration resolves to before anything is opened or started.
struct Resolution {
  DevicePtr device;
  std::vector<StreamMode> modes;
  std::unique_ptr<RecordingReader> reader;  // playback only
};

std::vector<ProfilePtr> MakeProfiles(const std::vector<StreamMode>& offered,
                                     const std::vector<StreamMode>& chosen) {
  std::vector<ProfilePtr> profiles;
  for (const auto& mode : chosen) {
    auto first = std::find_if(offered.begin(), offered.end(), [&](const StreamMode& m) {
      return m.stream == mode.stream && m.index == mode.index;
    });
    const bool isDefault = first != offered.end() && first->format == mode.format &&
                           first->width == mode.width && first->height == mode.height &&
                           first->fps == mode.fps;
    profiles.push_back(MakeProfile(mode, isDefault));
  }
  return profiles;
}

Resolution ResolvePlayback(const rs2_config& config) {
  Resolution r;
  r.reader = std::make_unique<RecordingReader>(config.playbackPath);
  const auto& header = r.reader->Header();
  // A recording plays all its streams unless the configuration narrows them.
  auto modes = ChooseModes(header.streams, config.requests, /*allStreams=*/config.requests.empty());
  if (!modes)
    Fail(RS2_EXCEPTION_TYPE_UNKNOWN, kUnresolved);
  r.device = std::make_shared<const DeviceSpec>(header.device);
  r.modes = std::move(*modes);
  return r;
}

Resolution ResolveLive(const rs2_config& config) {
  const auto devices = TheRegistry().devices.Snapshot();
  if (devices.empty())
    Fail(RS2_EXCEPTION_TYPE_UNKNOWN, kNoDevice);
  for (const auto& device : devices) {
    if (config.serial && *config.serial != device->serial)
      continue;
    if (auto modes = ChooseModes(device->modes, config.requests, /*allStreams=*/false)) {
      Resolution r;
      r.device = device;
      r.modes = std::move(*modes);
      return r;
    }
  }
  Fail(RS2_EXCEPTION_TYPE_UNKNOWN, kUnresolved);
}

Resolution Resolve(const rs2_config& config) {
  return config.playbackPath.empty() ? ResolveLive(config) : ResolvePlayback(config);
}

RunPlan Plan(const rs2_config& config) {
  Resolution r = Resolve(config);
  RunPlan plan;
  plan.device = r.device;
  plan.profiles = MakeProfiles(r.device->modes, r.modes);
  if (r.reader) {
    plan.source = std::make_unique<PlaybackSource>(std::move(r.reader), config.repeat);
    plan.claimsDevice = false;
    return plan;
  }
  FailIfBusy(r.device->serial);
  if (r.device->manual) {
    plan.source = std::make_unique<ManualSource>();
  } else {
    plan.source = std::make_unique<SyntheticSource>(*r.device, r.modes);
  }
  if (!config.recordPath.empty()) {
    plan.recorder =
        std::make_shared<Recorder>(config.recordPath, RecordingHeader{*r.device, r.modes},
                                   TheRegistry().faults.TakeWriteLimit());
  }
  return plan;
}

// A pipeline started without a callback drops its framesets: nothing in rs2sim reads them.
rs2_pipeline_profile* Start(rs2_pipeline* pipe, const rs2_config& config,
                            std::shared_ptr<CallbackSink> sink) {
  std::lock_guard<std::mutex> lock(pipe->mutex);
  if (pipe->run) {
    Fail(RS2_EXCEPTION_TYPE_WRONG_API_CALL_SEQUENCE, "start() cannot be called before stop()");
  }
  // Like the library, a start waits for a wanted device that is not connected (holding the
  // pipeline, as the library holds its lock) and only then fails to resolve.
  if (config.playbackPath.empty())
    TheRegistry().devices.WaitForDevice(config.serial);
  auto run = PipelineRun::Start(Plan(config), std::move(sink));
  pipe->run = run;
  return new rs2_pipeline_profile{run->Device(), run->Profiles(), run->Recording()};
}

void StopRun(rs2_pipeline* pipe) {
  std::shared_ptr<PipelineRun> run;
  {
    std::lock_guard<std::mutex> lock(pipe->mutex);
    if (!pipe->run) {
      Fail(RS2_EXCEPTION_TYPE_WRONG_API_CALL_SEQUENCE, "stop() cannot be called before start()");
    }
    run = std::move(pipe->run);
  }
  run->Stop();
}

void AddRequest(rs2_config& config, const StreamRequest& request) {
  auto& requests = config.requests;
  requests.erase(std::remove_if(requests.begin(), requests.end(),
                                [&](const StreamRequest& r) {
                                  return r.stream == request.stream && r.index == request.index;
                                }),
                 requests.end());
  requests.push_back(request);
}

}  // namespace
}  // namespace rs2sim

rs2_pipeline::~rs2_pipeline() {
  if (run)
    run->Stop();
}

extern "C" {

rs2_config* rs2_create_config(rs2_error** error) {
  return Guarded(
      __func__, error, [] { return ArgText(); }, static_cast<rs2_config*>(nullptr),
      [] { return new rs2_config(); });
}

void rs2_delete_config(rs2_config* config) {
  delete config;
}

void rs2_config_enable_stream(rs2_config* config, rs2_stream stream, int index, int width,
                              int height, rs2_format format, int framerate, rs2_error** error) {
  GuardedVoid(
      __func__, error,
      [&] {
        return ArgText()
            .Add("config", config)
            .Add("stream", stream)
            .Add("index", index)
            .Add("width", width)
            .Add("height", height)
            .Add("format", format)
            .Add("framerate", framerate);
      },
      [&] {
        rs2sim::AddRequest(*NotNull(config, "config"),
                           rs2sim::StreamRequest{stream, index, width, height, format, framerate});
      });
}

void rs2_config_enable_device(rs2_config* config, const char* serial, rs2_error** error) {
  GuardedVoid(
      __func__, error, [&] { return ArgText().Add("config", config).Add("serial", serial); },
      [&] { NotNull(config, "config")->serial = std::string(NotNull(serial, "serial")); });
}

void rs2_config_enable_device_from_file_repeat_option(rs2_config* config, const char* file,
                                                      int repeat_playback, rs2_error** error) {
  GuardedVoid(
      __func__, error,
      [&] {
        return ArgText()
            .Add("config", config)
            .Add("file", file)
            .Add("repeat_playback", repeat_playback);
      },
      [&] {
        NotNull(config, "config");
        NotNull(file, "file");
        if (!config->recordPath.empty()) {
          throw std::runtime_error(
              "Configuring both device from file, and record to file is unsupported");
        }
        config->playbackPath = file;
        config->repeat = repeat_playback != 0;
      });
}

void rs2_config_enable_device_from_file(rs2_config* config, const char* file, rs2_error** error) {
  GuardedVoid(
      __func__, error, [&] { return ArgText().Add("config", config).Add("file", file); },
      [&] {
        rs2_error* inner = nullptr;
        rs2_config_enable_device_from_file_repeat_option(config, file, 1, &inner);
        if (inner) {
          const rs2_error failure = *inner;
          rs2_free_error(inner);
          Fail(failure.type, failure.message);
        }
      });
}

void rs2_config_enable_record_to_file(rs2_config* config, const char* file, rs2_error** error) {
  GuardedVoid(
      __func__, error, [&] { return ArgText().Add("config", config).Add("file", file); },
      [&] {
        NotNull(config, "config");
        NotNull(file, "file");
        if (!config->playbackPath.empty()) {
          throw std::runtime_error(
              "Configuring both device from file, and record to file is unsupported");
        }
        config->recordPath = file;
      });
}

rs2_pipeline_profile* rs2_config_resolve(rs2_config* config, rs2_pipeline* pipe,
                                         rs2_error** error) {
  return Guarded(
      __func__, error, [&] { return ArgText().Add("config", config).Add("pipe", pipe); },
      static_cast<rs2_pipeline_profile*>(nullptr),
      [&] {
        NotNull(pipe, "pipe");
        auto r = rs2sim::Resolve(*NotNull(config, "config"));
        return new rs2_pipeline_profile{r.device, rs2sim::MakeProfiles(r.device->modes, r.modes)};
      });
}

int rs2_config_can_resolve(rs2_config* config, rs2_pipeline* pipe, rs2_error** error) {
  return Guarded(
      __func__, error, [&] { return ArgText().Add("config", config).Add("pipe", pipe); }, 0,
      [&] {
        NotNull(pipe, "pipe");
        NotNull(config, "config");
        try {
          rs2sim::Resolve(*config);
          return 1;
        } catch (const std::exception&) {
          return 0;
        }
      });
}

rs2_pipeline* rs2_create_pipeline(rs2_context* ctx, rs2_error** error) {
  return Guarded(
      __func__, error, [&] { return ArgText().Add("ctx", ctx); },
      static_cast<rs2_pipeline*>(nullptr),
      [&] {
        NotNull(ctx, "ctx");
        return new rs2_pipeline();
      });
}

void rs2_delete_pipeline(rs2_pipeline* pipe) {
  delete pipe;
}

void rs2_pipeline_stop(rs2_pipeline* pipe, rs2_error** error) {
  GuardedVoid(
      __func__, error, [&] { return ArgText().Add("pipe", pipe); },
      [&] { rs2sim::StopRun(NotNull(pipe, "pipe")); });
}

rs2_pipeline_profile* rs2_pipeline_start(rs2_pipeline* pipe, rs2_error** error) {
  return Guarded(
      __func__, error, [&] { return ArgText().Add("pipe", pipe); },
      static_cast<rs2_pipeline_profile*>(nullptr),
      [&] { return rs2sim::Start(NotNull(pipe, "pipe"), rs2_config(), nullptr); });
}

rs2_pipeline_profile* rs2_pipeline_start_with_config(rs2_pipeline* pipe, rs2_config* config,
                                                     rs2_error** error) {
  return Guarded(
      __func__, error, [&] { return ArgText().Add("pipe", pipe).Add("config", config); },
      static_cast<rs2_pipeline_profile*>(nullptr),
      [&] {
        NotNull(pipe, "pipe");
        return rs2sim::Start(pipe, *NotNull(config, "config"), nullptr);
      });
}

rs2_pipeline_profile* rs2_pipeline_start_with_callback_cpp(rs2_pipeline* pipe,
                                                           rs2_frame_callback* callback,
                                                           rs2_error** error) {
  // The callback is ours from here on, also when the start fails.
  auto sink = std::make_shared<rs2sim::CallbackSink>(callback);
  return Guarded(
      __func__, error, [&] { return ArgText().Add("pipe", pipe).Add("callback", callback); },
      static_cast<rs2_pipeline_profile*>(nullptr),
      [&] {
        NotNull(callback, "callback");
        NotNull(pipe, "pipe");
        return rs2sim::Start(pipe, rs2_config(), std::move(sink));
      });
}

rs2_pipeline_profile* rs2_pipeline_start_with_config_and_callback_cpp(rs2_pipeline* pipe,
                                                                      rs2_config* config,
                                                                      rs2_frame_callback* callback,
                                                                      rs2_error** error) {
  auto sink = std::make_shared<rs2sim::CallbackSink>(callback);
  return Guarded(
      __func__, error,
      [&] { return ArgText().Add("pipe", pipe).Add("config", config).Add("callback", callback); },
      static_cast<rs2_pipeline_profile*>(nullptr),
      [&] {
        NotNull(callback, "callback");
        NotNull(pipe, "pipe");
        NotNull(config, "config");
        return rs2sim::Start(pipe, *config, std::move(sink));
      });
}

rs2_pipeline_profile* rs2_pipeline_get_active_profile(rs2_pipeline* pipe, rs2_error** error) {
  return Guarded(
      __func__, error, [&] { return ArgText().Add("pipe", pipe); },
      static_cast<rs2_pipeline_profile*>(nullptr),
      [&] {
        std::lock_guard<std::mutex> lock(NotNull(pipe, "pipe")->mutex);
        if (!pipe->run) {
          Fail(RS2_EXCEPTION_TYPE_WRONG_API_CALL_SEQUENCE,
               "get_active_profile() can only be called between a start() and a following stop()");
        }
        return new rs2_pipeline_profile{pipe->run->Device(), pipe->run->Profiles(),
                                        pipe->run->Recording()};
      });
}

rs2_device* rs2_pipeline_profile_get_device(rs2_pipeline_profile* profile, rs2_error** error) {
  return Guarded(
      __func__, error, [&] { return ArgText().Add("profile", profile); },
      static_cast<rs2_device*>(nullptr),
      [&] {
        const rs2_pipeline_profile& valid = *NotNull(profile, "profile");
        return new rs2_device{valid.device, valid.recorder};
      });
}

rs2_stream_profile_list* rs2_pipeline_profile_get_streams(rs2_pipeline_profile* profile,
                                                          rs2_error** error) {
  return Guarded(
      __func__, error, [&] { return ArgText().Add("profile", profile); },
      static_cast<rs2_stream_profile_list*>(nullptr),
      [&] { return new rs2_stream_profile_list{NotNull(profile, "profile")->streams}; });
}

void rs2_delete_pipeline_profile(rs2_pipeline_profile* profile) {
  delete profile;
}

}  // extern "C"
