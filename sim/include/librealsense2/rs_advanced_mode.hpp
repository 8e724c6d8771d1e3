// rs2sim: the advanced-mode device wrapper (switching it and loading JSON settings).

#ifndef R4XX_ADVANCED_MODE_HPP
#define R4XX_ADVANCED_MODE_HPP

#include "rs.hpp"
#include "rs_advanced_mode.h"

namespace rs400 {
class advanced_mode : public rs2::device {
 public:
  advanced_mode(rs2::device d) : rs2::device(d.get()) {
    rs2_error* e = nullptr;
    if (rs2_is_device_extendable_to(_dev.get(), RS2_EXTENSION_ADVANCED_MODE, &e) == 0 && !e) {
      _dev = nullptr;
    }
    rs2::error::handle(e);
  }

  void toggle_advanced_mode(bool enable) {
    rs2_error* e = nullptr;
    rs2_toggle_advanced_mode(_dev.get(), enable, &e);
    rs2::error::handle(e);
  }

  bool is_enabled() const {
    rs2_error* e = nullptr;
    int enabled = 0;
    rs2_is_enabled(_dev.get(), &enabled, &e);
    rs2::error::handle(e);
    return !!enabled;
  }

  void load_json(const std::string& json_content) {
    rs2_error* e = nullptr;
    rs2_load_json(_dev.get(), json_content.data(), (unsigned int)json_content.size(), &e);
    rs2::error::handle(e);
  }
};
}  // namespace rs400

inline std::ostream& operator<<(std::ostream& o, rs2_rs400_visual_preset preset) {
  return o << rs2_rs400_visual_preset_to_string(preset);
}

#endif  // R4XX_ADVANCED_MODE_HPP
