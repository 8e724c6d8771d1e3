#include "replug.hpp"

#include <utility>

#include <rs2sim/control.hpp>

namespace long_run {
namespace {

// The two calls that rs2sim's unplug and replug controls make. Without them
// (VSRS_LONG_RUN_REPLUG undefined: rs2sim cannot unplug yet) the cycle does
// nothing and ReplugAvailable() says so.
#ifdef VSRS_LONG_RUN_REPLUG
bool Unplug(const std::string& serial) {
  return rs2sim::UnplugDevice(serial);
}
bool Replug(const std::string& serial) {
  return rs2sim::ReplugDevice(serial);
}
#else
bool Unplug(const std::string& /*serial*/) {
  return false;
}
bool Replug(const std::string& /*serial*/) {
  return false;
}
#endif

}  // namespace

bool ReplugAvailable() {
#ifdef VSRS_LONG_RUN_REPLUG
  return true;
#else
  return false;
#endif
}

ReplugCycle::ReplugCycle(std::string serial, std::chrono::steady_clock::time_point start,
                         std::chrono::steady_clock::duration period,
                         std::chrono::steady_clock::duration absence)
    : serial_(std::move(serial)), period_(period), absence_(absence), nextUnplug_(start + period) {}

ReplugCycle::~ReplugCycle() {
  if (out_)
    Replug(serial_);
}

void ReplugCycle::Run(std::chrono::steady_clock::time_point now) {
  if (out_ && now >= replugAt_) {
    Replug(serial_);
    out_ = false;
  }
  if (!out_ && now >= nextUnplug_) {
    nextUnplug_ += period_;
    if (Unplug(serial_)) {
      out_ = true;
      replugAt_ = now + absence_;
      ++unplugs_;
    }
  }
}

}  // namespace long_run
