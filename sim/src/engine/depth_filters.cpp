// The depth post-processing blocks: decimation, threshold, disparity transform,
// spatial, temporal and hole filling. Each has the library's options, ranges and defaults, over
// arithmetic simple enough for a test to work out what a pixel becomes:
//   decimation   n x n blocks: the median of the non-zero pixels (the lower middle one of an
//                even count) for n = 2..3, their mean (truncated) for n = 4..8, 0 when all are
//                0; the output size is the input's divided by n, padded with 0 to a multiple of
//                4 (the library's geometry)
//   threshold    a pixel whose depth in metres lies outside [min, max] becomes 0
//   disparity    Z16 to DISPARITY32 as 1,000,000 / depth (in depth units), and back, rounded;
//                0 stays 0
//   spatial      along each row, a pixel within delta of its left neighbour's result becomes
//                alpha x pixel + (1 - alpha) x that result
//   temporal     a pixel within delta of the previous frame's result becomes
//                alpha x pixel + (1 - alpha) x that result; the history starts with the block
//   hole filling a 0 pixel takes its left neighbour's result (mode 0), or the farthest (1) or
//                nearest (2) non-zero of its four neighbours
// Magnitude and holes fill of the spatial block and persistence of the temporal block are kept
// and reported but change nothing here.

#include <librealsense2/rs.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <map>
#include <vector>

#include "blocks.hpp"
#include "frame.hpp"
#include "processing.hpp"

namespace rs2sim {
namespace {

constexpr float kDisparityScale = 1000000.0f;

OptionSpec Settable(rs2_option option, float min, float max, float step, float def) {
  return OptionSpec{option, min, max, step, def, false};
}

// Every filter of the library also has its queue size and the stream it works on.
std::vector<OptionSpec> FilterOptions(std::vector<OptionSpec> own) {
  own.insert(own.begin(), Settable(RS2_OPTION_FRAMES_QUEUE_SIZE, 0, 32, 1, 16));
  own.push_back(Settable(RS2_OPTION_STREAM_FILTER, 0, 10, 1, 0));
  own.push_back(Settable(RS2_OPTION_STREAM_FORMAT_FILTER, 0, 31, 1, 0));
  own.push_back(Settable(RS2_OPTION_STREAM_INDEX_FILTER, -1, static_cast<float>(INT32_MAX), 1, -1));
  return own;
}

// The stream filter starts at depth and Z16, although its range's default says 0.
std::map<rs2_option, float> FilterValues(std::map<rs2_option, float> own) {
  own[RS2_OPTION_STREAM_FILTER] = static_cast<float>(RS2_STREAM_DEPTH);
  own[RS2_OPTION_STREAM_FORMAT_FILTER] = static_cast<float>(RS2_FORMAT_Z16);
  return own;
}

bool IsDepth(const FrameContent& content, rs2_format format) {
  return content.profile && content.profile->mode.stream == RS2_STREAM_DEPTH &&
         content.profile->mode.format == format && content.data != nullptr;
}

// A frame's pixels as numbers, row by row without padding.
std::vector<float> Pixels(const FrameContent& frame) {
  const bool z16 = frame.profile->mode.format == RS2_FORMAT_Z16;
  const int size = z16 ? 2 : 4;
  std::vector<float> pixels(static_cast<std::size_t>(frame.width) * frame.height, 0.0f);
  for (int y = 0; y < frame.height; ++y) {
    for (int x = 0; x < frame.width; ++x) {
      const long offset = static_cast<long>(y) * frame.stride + static_cast<long>(x) * size;
      if (offset + size > frame.dataSize)
        continue;
      float& pixel = pixels[static_cast<std::size_t>(y) * frame.width + x];
      if (z16) {
        std::uint16_t raw = 0;
        std::memcpy(&raw, frame.data + offset, 2);
        pixel = raw;
      } else {
        std::memcpy(&pixel, frame.data + offset, 4);
      }
    }
  }
  return pixels;
}

// Z16 rounds to the nearest whole unit.
Bytes Encode(const std::vector<float>& pixels, rs2_format format) {
  const bool z16 = format == RS2_FORMAT_Z16;
  Bytes bytes(pixels.size() * (z16 ? 2 : 4));
  for (std::size_t i = 0; i < pixels.size(); ++i) {
    if (z16) {
      const float clamped = std::min(std::max(pixels[i], 0.0f), 65535.0f);
      const auto raw = static_cast<std::uint16_t>(std::lround(clamped));
      std::memcpy(&bytes[i * 2], &raw, 2);
    } else {
      std::memcpy(&bytes[i * 4], &pixels[i], 4);
    }
  }
  return bytes;
}

// A block that replaces the frames it accepts, alone or inside a frameset, and hands everything
// else on untouched.
class StreamFilter : public rs2_processing_block {
 public:
  StreamFilter(rs2_extension kind, std::vector<OptionSpec> options,
               std::map<rs2_option, float> initial)
      : rs2_processing_block(std::move(options), std::move(initial)), kind_(kind) {}

  bool Is(rs2_extension extension) const override { return extension == kind_; }

 protected:
  virtual bool Accepts(const FrameContent& frame) const { return IsDepth(frame, RS2_FORMAT_Z16); }
  // The output of one accepted frame; null leaves the frame as it is.
  virtual rs2_frame* Filter(const FrameContent& frame) = 0;

  // Output of the same format and geometry as `frame`.
  rs2_frame* Like(const FrameContent& frame, const std::vector<float>& pixels) {
    const StreamMode& mode = frame.profile->mode;
    return Output(frame, mode.format, frame.width, frame.height, pixels);
  }

  rs2_frame* Output(const FrameContent& frame, rs2_format format, int width, int height,
                    const std::vector<float>& pixels) {
    const StreamMode& mode = frame.profile->mode;
    const int bytesPerPixel = format == RS2_FORMAT_Z16 ? 2 : 4;
    return NewVideoFrame(
        frame, ProfileFor(StreamMode{mode.stream, mode.index, format, width, height, mode.fps}),
        Encode(pixels, format), width * bytesPerPixel);
  }

  FrameRef Transform(const FrameRef& input) override {
    rs2_frame* frame = input.Get();
    if (!frame->IsComposite())
      return FrameRef(Accepts(frame->Content()) ? Filter(frame->Content()) : nullptr);
    std::vector<rs2_frame*> parts;
    bool changed = false;
    for (rs2_frame* part : frame->Parts()) {
      rs2_frame* output = Accepts(part->Content()) ? Filter(part->Content()) : nullptr;
      if (output) {
        changed = true;
      } else {
        part->AddRef();
        output = part;
      }
      parts.push_back(output);
    }
    FrameRef result(new rs2_frame(std::move(parts)));
    return changed ? std::move(result) : FrameRef();
  }

 private:
  const rs2_extension kind_;
};

class Decimation : public StreamFilter {
 public:
  Decimation()
      : StreamFilter(RS2_EXTENSION_DECIMATION_FILTER,
                     FilterOptions({Settable(RS2_OPTION_FILTER_MAGNITUDE, 1, 8, 1, 2)}),
                     FilterValues({})) {}

 protected:
  rs2_frame* Filter(const FrameContent& frame) override {
    const int n = static_cast<int>(Get(RS2_OPTION_FILTER_MAGNITUDE));
    if (n <= 1)
      return nullptr;
    const std::vector<float> in = Pixels(frame);
    const int width = frame.width / n;
    const int height = frame.height / n;
    const int paddedWidth = (width + 3) / 4 * 4;
    const int paddedHeight = (height + 3) / 4 * 4;
    std::vector<float> out(static_cast<std::size_t>(paddedWidth) * paddedHeight, 0.0f);
    std::vector<float> block;
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        block.clear();
        for (int dy = 0; dy < n; ++dy) {
          for (int dx = 0; dx < n; ++dx) {
            const float pixel = in[static_cast<std::size_t>(y * n + dy) * frame.width + x * n + dx];
            if (pixel != 0)
              block.push_back(pixel);
          }
        }
        out[static_cast<std::size_t>(y) * paddedWidth + x] = Reduce(block, n);
      }
    }
    return Output(frame, frame.profile->mode.format, paddedWidth, paddedHeight, out);
  }

 private:
  static float Reduce(std::vector<float>& values, int n) {
    if (values.empty())
      return 0;
    if (n <= 3) {
      const auto middle = values.begin() + static_cast<long>((values.size() - 1) / 2);
      std::nth_element(values.begin(), middle, values.end());
      return *middle;
    }
    double sum = 0;
    for (const float value : values)
      sum += value;
    return static_cast<float>(std::floor(sum / static_cast<double>(values.size())));
  }
};

class Threshold : public StreamFilter {
 public:
  Threshold()
      : StreamFilter(RS2_EXTENSION_THRESHOLD_FILTER,
                     FilterOptions({Settable(RS2_OPTION_MIN_DISTANCE, 0, 16, 0.1f, 0.1f),
                                    Settable(RS2_OPTION_MAX_DISTANCE, 0, 16, 0.1f, 4.0f)}),
                     FilterValues({{RS2_OPTION_MIN_DISTANCE, 0.15f}})) {}

 protected:
  rs2_frame* Filter(const FrameContent& frame) override {
    const float min = Get(RS2_OPTION_MIN_DISTANCE);
    const float max = Get(RS2_OPTION_MAX_DISTANCE);
    std::vector<float> pixels = Pixels(frame);
    for (float& pixel : pixels) {
      const float metres = pixel * frame.depthUnits;
      if (metres < min || metres > max)
        pixel = 0;
    }
    return Like(frame, pixels);
  }
};

class DisparityTransform : public StreamFilter {
 public:
  explicit DisparityTransform(bool toDisparity)
      : StreamFilter(RS2_EXTENSION_DISPARITY_FILTER, {}, {}), toDisparity_(toDisparity) {}

 protected:
  bool Accepts(const FrameContent& frame) const override {
    return IsDepth(frame, toDisparity_ ? RS2_FORMAT_Z16 : RS2_FORMAT_DISPARITY32);
  }

  rs2_frame* Filter(const FrameContent& frame) override {
    std::vector<float> pixels = Pixels(frame);
    for (float& pixel : pixels)
      pixel = pixel == 0 ? 0 : kDisparityScale / pixel;
    return Output(frame, toDisparity_ ? RS2_FORMAT_DISPARITY32 : RS2_FORMAT_Z16, frame.width,
                  frame.height, pixels);
  }

 private:
  const bool toDisparity_;
};

// Depth or disparity: the blending filters work in either domain.
bool IsDepthOrDisparity(const FrameContent& frame) {
  return IsDepth(frame, RS2_FORMAT_Z16) || IsDepth(frame, RS2_FORMAT_DISPARITY32);
}

// Spatial and temporal smoothing: alpha x value + (1 - alpha) x previous (the
// left neighbour, the last frame), when both are valid and within delta.
class Smoothing : public StreamFilter {
 public:
  using StreamFilter::StreamFilter;

 protected:
  bool Accepts(const FrameContent& frame) const override { return IsDepthOrDisparity(frame); }

  struct Blend {
    float alpha;
    float delta;
    float operator()(float value, float previous) const {
      if (value == 0 || previous == 0 || std::fabs(value - previous) > delta)
        return value;
      return alpha * value + (1 - alpha) * previous;
    }
  };
  // Alpha and delta, read once for a frame.
  Blend Blender() {
    return {Get(RS2_OPTION_FILTER_SMOOTH_ALPHA), Get(RS2_OPTION_FILTER_SMOOTH_DELTA)};
  }
};

class Spatial : public Smoothing {
 public:
  Spatial()
      : Smoothing(RS2_EXTENSION_SPATIAL_FILTER,
                  FilterOptions({Settable(RS2_OPTION_FILTER_MAGNITUDE, 1, 5, 1, 2),
                                 Settable(RS2_OPTION_FILTER_SMOOTH_ALPHA, 0.25f, 1, 0.01f, 0.5f),
                                 Settable(RS2_OPTION_FILTER_SMOOTH_DELTA, 1, 50, 1, 20),
                                 Settable(RS2_OPTION_HOLES_FILL, 0, 5, 1, 0)}),
                  FilterValues({})) {}

 protected:
  rs2_frame* Filter(const FrameContent& frame) override {
    const Blend blend = Blender();
    std::vector<float> pixels = Pixels(frame);
    for (int y = 0; y < frame.height; ++y) {
      float* row = &pixels[static_cast<std::size_t>(y) * frame.width];
      for (int x = 1; x < frame.width; ++x)
        row[x] = blend(row[x], row[x - 1]);
    }
    return Like(frame, pixels);
  }
};

class Temporal : public Smoothing {
 public:
  Temporal()
      : Smoothing(RS2_EXTENSION_TEMPORAL_FILTER,
                  FilterOptions({Settable(RS2_OPTION_FILTER_SMOOTH_ALPHA, 0, 1, 0.01f, 0.4f),
                                 Settable(RS2_OPTION_FILTER_SMOOTH_DELTA, 1, 100, 1, 20),
                                 Settable(RS2_OPTION_HOLES_FILL, 0, 8, 1, 3)}),
                  FilterValues({})) {}

 protected:
  // A frame of another size or format starts the history again.
  rs2_frame* Filter(const FrameContent& frame) override {
    const Blend blend = Blender();
    std::vector<float> pixels = Pixels(frame);
    const rs2_format format = frame.profile->mode.format;
    if (previous_.size() == pixels.size() && previousFormat_ == format) {
      for (std::size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = blend(pixels[i], previous_[i]);
    }
    previous_ = pixels;
    previousFormat_ = format;
    return Like(frame, pixels);
  }

 private:
  std::vector<float> previous_;  // the last result; guarded by the block's lock
  rs2_format previousFormat_ = RS2_FORMAT_ANY;
};

class HoleFilling : public StreamFilter {
 public:
  HoleFilling()
      : StreamFilter(RS2_EXTENSION_HOLE_FILLING_FILTER,
                     FilterOptions({Settable(RS2_OPTION_HOLES_FILL, 0, 2, 1, 1)}),
                     FilterValues({})) {}

 protected:
  rs2_frame* Filter(const FrameContent& frame) override {
    const int mode = static_cast<int>(Get(RS2_OPTION_HOLES_FILL));
    const std::vector<float> in = Pixels(frame);
    std::vector<float> out = in;
    const int width = frame.width;
    const int height = frame.height;
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        float& pixel = out[static_cast<std::size_t>(y) * width + x];
        if (pixel != 0)
          continue;
        if (mode == 0) {
          pixel = x > 0 ? out[static_cast<std::size_t>(y) * width + x - 1] : 0;
          continue;
        }
        const auto at = [&](int nx, int ny) {
          return nx < 0 || ny < 0 || nx >= width || ny >= height
                     ? 0.0f
                     : in[static_cast<std::size_t>(ny) * width + nx];
        };
        for (const float neighbour : {at(x - 1, y), at(x + 1, y), at(x, y - 1), at(x, y + 1)}) {
          if (neighbour != 0 && (pixel == 0 || (mode == 1 ? neighbour > pixel : neighbour < pixel)))
            pixel = neighbour;
        }
      }
    }
    return Like(frame, out);
  }
};

}  // namespace

std::unique_ptr<rs2_processing_block> MakeDecimation() {
  return std::make_unique<Decimation>();
}

std::unique_ptr<rs2_processing_block> MakeThreshold() {
  return std::make_unique<Threshold>();
}

std::unique_ptr<rs2_processing_block> MakeDisparityTransform(bool toDisparity) {
  return std::make_unique<DisparityTransform>(toDisparity);
}

std::unique_ptr<rs2_processing_block> MakeSpatial() {
  return std::make_unique<Spatial>();
}

std::unique_ptr<rs2_processing_block> MakeTemporal() {
  return std::make_unique<Temporal>();
}

std::unique_ptr<rs2_processing_block> MakeHoleFilling() {
  return std::make_unique<HoleFilling>();
}

}  // namespace rs2sim
