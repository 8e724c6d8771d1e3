#include "plug_schedule.hpp"

#include <algorithm>
#include <iomanip>
#include <sstream>
#include <utility>

#ifdef RS_HOST_WITH_SIM
#include <rs2sim/control.hpp>
#endif

namespace rs_host {
namespace {

// False when no camera with that serial is in the state the action needs.
bool Apply(const PlugAction& action) {
#ifdef RS_HOST_WITH_SIM
  return action.unplug ? rs2sim::UnplugDevice(action.serial) : rs2sim::ReplugDevice(action.serial);
#else
  // The command line makes no action without the simulated camera.
  static_cast<void>(action);
  return false;
#endif
}

PlugOutcome Outcome(const PlugAction& action, bool done, double elapsedSeconds) {
  std::ostringstream line;
  line << "rs-host: ";
  if (done) {
    line << "simulated camera " << action.serial
         << (action.unplug ? " unplugged" : " plugged back in") << " at " << std::fixed
         << std::setprecision(1) << elapsedSeconds << " s";
  } else {
    line << (action.unplug ? "--unplug " : "--replug ") << action.serial << "@" << action.seconds
         << ": no simulated camera " << action.serial
         << (action.unplug ? " is plugged in" : " is unplugged");
  }
  return {done, line.str()};
}

}  // namespace

PlugSchedule::PlugSchedule(std::vector<PlugAction> actions) : actions_(std::move(actions)) {
  std::stable_sort(actions_.begin(), actions_.end(),
                   [](const PlugAction& a, const PlugAction& b) { return a.seconds < b.seconds; });
}

std::vector<PlugOutcome> PlugSchedule::RunDue(double elapsedSeconds) {
  std::vector<PlugOutcome> outcomes;
  for (; next_ < actions_.size() && actions_[next_].seconds <= elapsedSeconds; ++next_)
    outcomes.push_back(Outcome(actions_[next_], Apply(actions_[next_]), elapsedSeconds));
  return outcomes;
}

}  // namespace rs_host
