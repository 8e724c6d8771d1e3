#include "plot.hpp"

#include <png.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <functional>
#include <iomanip>
#include <map>
#include <sstream>
#include <stdexcept>

namespace long_run {
namespace {

constexpr int kWidth = 960;
constexpr int kPanelHeight = 190;
constexpr int kTop = 60;
constexpr int kGap = 52;
constexpr int kLeft = 90;
constexpr int kRight = 20;
constexpr int kScale = 2;  // each font pixel is 2x2

constexpr std::uint32_t kWhite = 0xFFFFFF;
constexpr std::uint32_t kBlack = 0x000000;
constexpr std::uint32_t kGrid = 0xDDDDDD;
constexpr std::uint32_t kWarmUp = 0xEEEEEE;

// 5x7 glyphs, one byte per row, the leftmost column in bit 4.
const std::map<char, std::array<std::uint8_t, 7>>& Font() {
  static const std::map<char, std::array<std::uint8_t, 7>> font{
      {'0', {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}},
      {'1', {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E}},
      {'2', {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}},
      {'3', {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E}},
      {'4', {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02}},
      {'5', {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E}},
      {'6', {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E}},
      {'7', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08}},
      {'8', {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E}},
      {'9', {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C}},
      {'A', {0x0E, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}},
      {'B', {0x1E, 0x11, 0x11, 0x1E, 0x11, 0x11, 0x1E}},
      {'C', {0x0E, 0x11, 0x10, 0x10, 0x10, 0x11, 0x0E}},
      {'D', {0x1C, 0x12, 0x11, 0x11, 0x11, 0x12, 0x1C}},
      {'E', {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x1F}},
      {'F', {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x10}},
      {'G', {0x0E, 0x11, 0x10, 0x17, 0x11, 0x11, 0x0F}},
      {'H', {0x11, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}},
      {'I', {0x0E, 0x04, 0x04, 0x04, 0x04, 0x04, 0x0E}},
      {'J', {0x07, 0x02, 0x02, 0x02, 0x02, 0x12, 0x0C}},
      {'K', {0x11, 0x12, 0x14, 0x18, 0x14, 0x12, 0x11}},
      {'L', {0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x1F}},
      {'M', {0x11, 0x1B, 0x15, 0x15, 0x11, 0x11, 0x11}},
      {'N', {0x11, 0x11, 0x19, 0x15, 0x13, 0x11, 0x11}},
      {'O', {0x0E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}},
      {'P', {0x1E, 0x11, 0x11, 0x1E, 0x10, 0x10, 0x10}},
      {'Q', {0x0E, 0x11, 0x11, 0x11, 0x15, 0x12, 0x0D}},
      {'R', {0x1E, 0x11, 0x11, 0x1E, 0x14, 0x12, 0x11}},
      {'S', {0x0F, 0x10, 0x10, 0x0E, 0x01, 0x01, 0x1E}},
      {'T', {0x1F, 0x04, 0x04, 0x04, 0x04, 0x04, 0x04}},
      {'U', {0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}},
      {'V', {0x11, 0x11, 0x11, 0x11, 0x11, 0x0A, 0x04}},
      {'W', {0x11, 0x11, 0x11, 0x15, 0x15, 0x15, 0x0A}},
      {'X', {0x11, 0x11, 0x0A, 0x04, 0x0A, 0x11, 0x11}},
      {'Y', {0x11, 0x11, 0x11, 0x0A, 0x04, 0x04, 0x04}},
      {'Z', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x10, 0x1F}},
      {'.', {0x00, 0x00, 0x00, 0x00, 0x00, 0x0C, 0x0C}},
      {',', {0x00, 0x00, 0x00, 0x00, 0x0C, 0x04, 0x08}},
      {'-', {0x00, 0x00, 0x00, 0x1F, 0x00, 0x00, 0x00}},
      {'+', {0x00, 0x04, 0x04, 0x1F, 0x04, 0x04, 0x00}},
      {'=', {0x00, 0x00, 0x1F, 0x00, 0x1F, 0x00, 0x00}},
      {':', {0x00, 0x0C, 0x0C, 0x00, 0x0C, 0x0C, 0x00}},
      {'/', {0x00, 0x01, 0x02, 0x04, 0x08, 0x10, 0x00}},
      {'(', {0x02, 0x04, 0x08, 0x08, 0x08, 0x04, 0x02}},
      {')', {0x08, 0x04, 0x02, 0x02, 0x02, 0x04, 0x08}},
      {'%', {0x18, 0x19, 0x02, 0x04, 0x08, 0x13, 0x03}},
  };
  return font;
}

class Canvas {
 public:
  Canvas(int width, int height) {
    raster_.width = width;
    raster_.height = height;
    raster_.rgb.assign(static_cast<std::size_t>(width * height * 3), 0xFF);
  }

  void Set(int x, int y, std::uint32_t colour) {
    if (x < 0 || y < 0 || x >= raster_.width || y >= raster_.height)
      return;
    const auto at = static_cast<std::size_t>((y * raster_.width + x) * 3);
    raster_.rgb[at] = static_cast<std::uint8_t>(colour >> 16);
    raster_.rgb[at + 1] = static_cast<std::uint8_t>(colour >> 8);
    raster_.rgb[at + 2] = static_cast<std::uint8_t>(colour);
  }

  void Fill(int x0, int y0, int x1, int y1, std::uint32_t colour) {
    for (int y = y0; y <= y1; ++y)
      for (int x = x0; x <= x1; ++x)
        Set(x, y, colour);
  }

  // Two pixels thick, so that a flat line reads as a line.
  void Line(int x0, int y0, int x1, int y1, std::uint32_t colour) {
    const int dx = std::abs(x1 - x0);
    const int dy = -std::abs(y1 - y0);
    const int sx = x0 < x1 ? 1 : -1;
    const int sy = y0 < y1 ? 1 : -1;
    int error = dx + dy;
    while (true) {
      Set(x0, y0, colour);
      Set(x0, y0 + 1, colour);
      if (x0 == x1 && y0 == y1)
        break;
      const int e2 = 2 * error;
      if (e2 >= dy) {
        error += dy;
        x0 += sx;
      }
      if (e2 <= dx) {
        error += dx;
        y0 += sy;
      }
    }
  }

  static int TextWidth(const std::string& text) {
    return static_cast<int>(text.size()) * 6 * kScale;
  }

  // Letters in upper case; characters the font lacks are left blank.
  void Text(int x, int y, const std::string& text, std::uint32_t colour) {
    for (const char raw : text) {
      const char c = static_cast<char>(std::toupper(static_cast<unsigned char>(raw)));
      const auto glyph = Font().find(c);
      if (glyph != Font().end()) {
        for (int row = 0; row < 7; ++row)
          for (int col = 0; col < 5; ++col)
            if ((glyph->second[static_cast<std::size_t>(row)] >> (4 - col)) & 1)
              Fill(x + col * kScale, y + row * kScale, x + col * kScale + kScale - 1,
                   y + row * kScale + kScale - 1, colour);
      }
      x += 6 * kScale;
    }
  }

  Raster Take() { return std::move(raster_); }

 private:
  Raster raster_;
};

std::string Number(double value) {
  std::ostringstream text;
  const double magnitude = std::abs(value);
  text << std::fixed << std::setprecision(magnitude >= 100 || value == std::round(value) ? 0 : 1)
       << value;
  return text.str();
}

// A step of 1, 2 or 5 times a power of ten that cuts `range` into about
// `parts` pieces.
double NiceStep(double range, int parts) {
  const double raw = range / parts;
  const double power = std::pow(10.0, std::floor(std::log10(raw)));
  for (const double factor : {1.0, 2.0, 5.0, 10.0}) {
    if (raw <= factor * power)
      return factor * power;
  }
  return 10 * power;
}

struct Panel {
  std::string label;
  std::uint32_t colour;
  std::function<double(const Sample&)> value;
  bool whole = false;  // counts: no tick between whole numbers
  double minSpan = 2;  // the smallest range shown, so that noise does not fill the panel
};

void DrawPanel(Canvas& canvas, const Panel& panel, const std::vector<Sample>& samples,
               double warmupSeconds, double endMinutes, int top) {
  const int left = kLeft;
  const int right = kWidth - kRight;
  const int bottom = top + kPanelHeight;
  // The range is that of the samples after the warm-up, the ones judged, so
  // that a slow growth shows; the warm-up's start-up climb is cut off at the
  // panel's edge.
  double low = 0;
  double high = 0;
  bool first = true;
  for (const Sample& s : samples) {
    if (s.seconds < warmupSeconds && samples.back().seconds >= warmupSeconds)
      continue;
    low = first ? panel.value(s) : std::min(low, panel.value(s));
    high = first ? panel.value(s) : std::max(high, panel.value(s));
    first = false;
  }
  const double span = std::max(high - low, panel.minSpan);
  const double middle = (low + high) / 2;
  low = middle - span / 2;
  high = middle + span / 2;
  const double step = panel.whole ? std::max(NiceStep(span, 4), 1.0) : NiceStep(span, 4);
  low = std::floor((low - span * 0.1) / step) * step;
  high = std::ceil((high + span * 0.1) / step) * step;
  const auto x = [&](double minutes) {
    return left + static_cast<int>(std::lround((right - left) * minutes / endMinutes));
  };
  const auto y = [&](double value) {
    const double clipped = std::clamp(value, low, high);
    return bottom - static_cast<int>(std::lround((bottom - top) * (clipped - low) / (high - low)));
  };

  canvas.Fill(left, top, x(std::min(warmupSeconds / 60, endMinutes)), bottom, kWarmUp);
  for (double v = low; v <= high + step / 2; v += step) {
    canvas.Fill(left, y(v), right, y(v), kGrid);
    const std::string text = Number(v);
    canvas.Text(left - 8 - Canvas::TextWidth(text), y(v) - 7, text, kBlack);
  }
  const double xStep = NiceStep(endMinutes, 8);
  for (double m = 0; m <= endMinutes + xStep / 100; m += xStep) {
    canvas.Fill(x(m), top, x(m), bottom, kGrid);
    const std::string text = Number(m);
    canvas.Text(x(m) - Canvas::TextWidth(text) / 2, bottom + 6, text, kBlack);
  }
  for (std::size_t i = 1; i < samples.size(); ++i) {
    canvas.Line(x(samples[i - 1].seconds / 60), y(panel.value(samples[i - 1])),
                x(samples[i].seconds / 60), y(panel.value(samples[i])), panel.colour);
  }
  canvas.Fill(left, top, right, top, kBlack);
  canvas.Fill(left, bottom, right, bottom, kBlack);
  canvas.Fill(left, top, left, bottom, kBlack);
  canvas.Fill(right, top, right, bottom, kBlack);
  canvas.Text(left, top - 18, panel.label, panel.colour);
}

}  // namespace

std::uint32_t Raster::Pixel(int x, int y) const {
  const auto at = static_cast<std::size_t>((y * width + x) * 3);
  return static_cast<std::uint32_t>(rgb[at]) << 16 | static_cast<std::uint32_t>(rgb[at + 1]) << 8 |
         rgb[at + 2];
}

Raster DrawPlot(const std::vector<Sample>& samples, double warmupSeconds,
                const std::string& title) {
  const std::vector<Panel> panels{
      {"resident memory, MiB", 0x1F5FBF,
       [](const Sample& s) { return static_cast<double>(s.rssKiB) / 1024.0; }, false, 4},
      {"threads", 0xBF3F1F, [](const Sample& s) { return static_cast<double>(s.threads); }, true},
      {"open file descriptors", 0x2F8F2F,
       [](const Sample& s) { return static_cast<double>(s.fds); }, true}};
  const int height = kTop + static_cast<int>(panels.size()) * (kPanelHeight + kGap) + 30;
  Canvas canvas(kWidth, height);
  canvas.Text(kLeft, 12, title, kBlack);
  if (samples.empty()) {
    canvas.Text(kLeft, kTop + 20, "no samples", kBlack);
    return canvas.Take();
  }
  const double endMinutes = std::max(samples.back().seconds / 60, 0.1);
  int top = kTop;
  for (const Panel& panel : panels) {
    DrawPanel(canvas, panel, samples, warmupSeconds, endMinutes, top);
    top += kPanelHeight + kGap;
  }
  const std::string axis = "minutes (grey: warm-up)";
  canvas.Text((kWidth - Canvas::TextWidth(axis)) / 2, top - 4, axis, kBlack);
  return canvas.Take();
}

void WritePng(const Raster& raster, const std::string& path) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(raster.width);
  image.height = static_cast<png_uint_32>(raster.height);
  image.format = PNG_FORMAT_RGB;
  if (png_image_write_to_file(&image, path.c_str(), 0, raster.rgb.data(), 0, nullptr) == 0) {
    throw std::runtime_error("cannot write " + path + ": " + image.message);
  }
}

}  // namespace long_run
