#include "snapshot_writer.hpp"

#include <filesystem>
#include <stdexcept>
#include <system_error>

#include "colour_map.hpp"
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

void WriteDepth(const vid_db::media::DepthFrame& depth, const std::string& path) {
  DepthView view;
  view.data = depth.GetData();
  view.size = depth.GetSize();
  view.stride = depth.GetStride();
  std::tie(view.width, view.height) = depth.GetResolution();
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
  if (error || !std::filesystem::is_directory(directory_)) {
    throw std::runtime_error("cannot create snapshot directory '" + directory_ + "'" +
                             (error ? ": " + error.message() : std::string{}));
  }
}

std::string SnapshotWriter::ColourPath(const std::string& sourceName) const {
  return (std::filesystem::path(directory_) / (sourceName + "_color.png")).string();
}

std::string SnapshotWriter::DepthPath(const std::string& sourceName) const {
  return (std::filesystem::path(directory_) / (sourceName + "_depth.png")).string();
}

SnapshotResult SnapshotWriter::Write(const std::string& sourceName,
                                     const KeptFrames& frames) const {
  SnapshotResult result;
  const auto attempt = [&result](const std::string& path, const auto& write) {
    try {
      write(path);
      result.written.push_back(path);
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
  return result;
}

}  // namespace rs_host
