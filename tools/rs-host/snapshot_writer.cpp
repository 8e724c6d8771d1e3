#include "snapshot_writer.hpp"

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <system_error>

#include "colour_map.hpp"
#include "output_file.hpp"
#include "png_writer.hpp"
#include "vs_stream/video_params.hpp"

namespace rs_host {
namespace {

void WriteColour(const ColourImage& colour, const std::string& path) {
  const auto& format = colour.format;
  if (format.pixelFormat != vs_stream::kPixelFormatRgb24 &&
      format.pixelFormat != vs_stream::kPixelFormatBgr24) {
    throw std::runtime_error("colour frame in " + PixelFormatName(format.pixelFormat) +
                             " cannot be written");
  }
  ImageView view;
  view.data = colour.buffer->GetData();
  view.size = colour.buffer->GetSize();
  view.width = format.width;
  view.height = format.height;
  // Rows may be padded; the buffer tells by its size.
  if (format.height != 0)
    view.stride = view.size / format.height;
  view.order =
      format.pixelFormat == vs_stream::kPixelFormatBgr24 ? PixelOrder::Bgr : PixelOrder::Rgb;
  WriteFile(path, EncodePng(view));
}

DepthView ViewOf(const vid_db::media::DepthFrame& depth) {
  DepthView view;
  view.data = depth.GetData();
  view.size = depth.GetSize();
  view.stride = depth.GetStride();
  std::tie(view.width, view.height) = depth.GetResolution();
  return view;
}

bool SameSize(const ColourImage& colour, const vid_db::media::DepthFrame& depth) {
  const auto [width, height] = depth.GetResolution();
  return colour.format.width == width && colour.format.height == height && width != 0 &&
         height != 0;
}

// Half colour, half coloured depth; pixels without depth keep their colour, so that what the
// camera could not measure stays recognisable.
void WriteOverlay(const ColourImage& colour, const vid_db::media::DepthFrame& depth,
                  const std::string& path) {
  const DepthView view = ViewOf(depth);
  const auto colourised = ColouriseDepth(view);
  const std::uint32_t format = colour.format.pixelFormat;
  if (format != vs_stream::kPixelFormatRgb24 && format != vs_stream::kPixelFormatBgr24)
    throw std::runtime_error("colour frame in " + PixelFormatName(format) + " cannot be blended");
  const std::uint8_t* data = colour.buffer->GetData();
  const std::size_t stride = colour.buffer->GetSize() / view.height;
  if (stride < std::size_t{view.width} * 3)
    throw std::runtime_error("colour frame smaller than its size says");
  const bool bgr = format == vs_stream::kPixelFormatBgr24;
  std::vector<std::uint8_t> rgb(colourised.rgb.size());
  for (std::uint32_t y = 0; y < view.height; ++y) {
    for (std::uint32_t x = 0; x < view.width; ++x) {
      const std::uint8_t* in = data + y * stride + x * 3;
      const std::size_t at = (std::size_t{y} * view.width + x) * 3;
      const std::uint8_t* d = view.data + y * view.stride + x * 2;
      const bool measured = (d[0] | d[1]) != 0;
      for (int c = 0; c < 3; ++c) {
        const std::uint8_t own = in[bgr ? 2 - c : c];
        rgb[at + c] =
            measured ? static_cast<std::uint8_t>((own + colourised.rgb[at + c]) / 2) : own;
      }
    }
  }
  ImageView image;
  image.data = rgb.data();
  image.size = rgb.size();
  image.width = view.width;
  image.height = view.height;
  WriteFile(path, EncodePng(image));
}

void WriteDepth(const vid_db::media::DepthFrame& depth, const std::string& path) {
  const DepthView view = ViewOf(depth);
  const auto colourised = ColouriseDepth(view);
  ImageView image;
  image.data = colourised.rgb.data();
  image.size = colourised.rgb.size();
  image.width = view.width;
  image.height = view.height;
  WriteFile(path, EncodePng(image));
}

}  // namespace

SnapshotWriter::SnapshotWriter(std::string directory) : directory_(std::move(directory)) {
  std::error_code error;
  std::filesystem::create_directories(directory_, error);
  if (!error && !std::filesystem::is_directory(directory_))
    error = std::make_error_code(std::errc::not_a_directory);
  if (error)
    throw std::runtime_error("cannot create snapshot directory '" + directory_ +
                             "': " + error.message());
}

std::string SnapshotWriter::ColourPath(const std::string& sourceName) const {
  return (std::filesystem::path(directory_) / (sourceName + "_color.png")).string();
}

std::string SnapshotWriter::DepthPath(const std::string& sourceName) const {
  return (std::filesystem::path(directory_) / (sourceName + "_depth.png")).string();
}

std::string SnapshotWriter::OverlayPath(const std::string& sourceName) const {
  return (std::filesystem::path(directory_) / (sourceName + "_overlay.png")).string();
}

SnapshotResult SnapshotWriter::Write(const std::string& sourceName,
                                     const KeptFrames& frames) const {
  SnapshotResult result;
  const auto attempt = [&result](const std::string& path, const auto& write) {
    try {
      write(path);
      result.written.push_back(path);
    } catch (const FileError& e) {
      result.problems.push_back(path + ": " + e.Reason());
    } catch (const std::exception& e) {
      result.problems.push_back(path + ": " + e.what());
    }
  };
  if (frames.colour.buffer) {
    attempt(ColourPath(sourceName),
            [&frames](const std::string& path) { WriteColour(frames.colour, path); });
  } else {
    result.missing.push_back(sourceName + ": no colour frame arrived");
  }
  if (frames.depth) {
    attempt(DepthPath(sourceName),
            [&frames](const std::string& path) { WriteDepth(*frames.depth, path); });
  } else {
    result.missing.push_back(sourceName + ": no depth frame arrived");
  }
  if (frames.colour.buffer && frames.depth && SameSize(frames.colour, *frames.depth)) {
    attempt(OverlayPath(sourceName), [&frames](const std::string& path) {
      WriteOverlay(frames.colour, *frames.depth, path);
    });
  }
  return result;
}

}  // namespace rs_host
