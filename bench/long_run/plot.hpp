// The samples of a long run as a picture: resident memory, threads and open
// descriptors over time, one panel each, the warm-up shaded. gnuplot draws
// it from the samples file; the script is kept beside the picture, so that
// an operator can draw it again with other settings.
#pragma once

#include <string>
#include <vector>

#include "samples.hpp"

namespace long_run {

// The gnuplot script that draws `csvPath` (as WriteCsv wrote `samples`) into
// `pngPath`. Each panel's range is that of the samples after the warm-up,
// the ones judged, so that a slow growth shows and the start-up climb is cut
// off at the panel's edge.
std::string PlotScript(const std::vector<Sample>& samples, double warmupSeconds,
                       const std::string& title, const std::string& csvPath,
                       const std::string& pngPath);

// Writes the script to `scriptPath` and runs gnuplot on it. Throws
// std::runtime_error with gnuplot's own words when it fails or is missing.
void DrawPlot(const std::string& script, const std::string& scriptPath);

}  // namespace long_run
