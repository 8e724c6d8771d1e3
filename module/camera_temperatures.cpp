#include "camera_temperatures.hpp"

#include <iomanip>

#include "logger.hpp"

namespace vs_realsense2 {
namespace {

std::optional<float> ReadOne(const rs2::sensor& sensor, rs2_option option) noexcept {
  try {
    if (sensor.supports(option))
      return sensor.get_option(option);
  } catch (...) {
    // Not streaming ("query is available during streaming only"), or gone.
  }
  return std::nullopt;
}

void WriteValue(std::ostream& os, const std::optional<float>& celsius) {
  if (celsius)
    os << std::fixed << std::setprecision(1) << *celsius;
  else
    os << "n/a";
}

}  // namespace

Temperatures ReadTemperatures(const rs2::sensor& sensor) noexcept {
  return {ReadOne(sensor, RS2_OPTION_ASIC_TEMPERATURE),
          ReadOne(sensor, RS2_OPTION_PROJECTOR_TEMPERATURE)};
}

void WriteTemperatureFields(std::ostream& os, const Temperatures& temperatures) {
  os << "; asic temperature ";
  WriteValue(os, temperatures.asic);
  os << "; projector temperature ";
  WriteValue(os, temperatures.projector);
}

// A value not answered neither raises nor clears the warning: a restart
// leaves the temperatures unread for a while.
void TemperatureWatch::Check(const Temperatures& temperatures) {
  if (!On() || (!temperatures.asic && !temperatures.projector))
    return;
  const float limit = static_cast<float>(limitC_);
  const auto above = [limit](const std::optional<float>& celsius) {
    return celsius && *celsius > limit;
  };
  const bool now = above(temperatures.asic) || above(temperatures.projector);
  if (now == above_)
    return;
  above_ = now;
  const orvlog::Severity severity = now ? orvlog::Severity::Warning : orvlog::Severity::Info;
  LogSafely(severity, name_, "Temperature", [&](std::ostream& os) {
    os << "asic ";
    WriteValue(os, temperatures.asic);
    os << " °C, projector ";
    WriteValue(os, temperatures.projector);
    os << " °C: " << (now ? "above" : "back at or below") << " temp_warn_c=" << limitC_;
  });
}

}  // namespace vs_realsense2
