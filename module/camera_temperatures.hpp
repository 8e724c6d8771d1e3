// The depth sensor's temperatures: read for the health line, and watched
// against `temp_warn_c`.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>

#include <librealsense2/rs.hpp>

namespace vs_realsense2 {

// °C; empty where the camera did not answer.
struct Temperatures {
  std::optional<float> asic;
  std::optional<float> projector;
};

// Reads RS2_OPTION_ASIC_TEMPERATURE and RS2_OPTION_PROJECTOR_TEMPERATURE.
// The library answers them only while the sensor streams; an option the
// sensor lacks or refuses stays empty. Never throws.
[[nodiscard]] Temperatures ReadTemperatures(const rs2::sensor& sensor) noexcept;

// "; asic temperature <°C>; projector temperature <°C>", one decimal, `n/a`
// for a value not answered.
void WriteTemperatureFields(std::ostream& os, const Temperatures& temperatures);

// A Warning when either temperature rises above the limit, once per
// crossing: the next only after both were seen at or below it again (an Info
// line says so). Not thread-safe: the supervisor's thread owns it.
class TemperatureWatch {
 public:
  // `limitC` 0: off, nothing is ever written.
  TemperatureWatch(std::string name, std::int32_t limitC)
      : name_(std::move(name)), limitC_(limitC) {}

  [[nodiscard]] bool On() const { return limitC_ > 0; }
  void Check(const Temperatures& temperatures);

 private:
  const std::string name_;
  const std::int32_t limitC_;
  bool above_ = false;
};

}  // namespace vs_realsense2
