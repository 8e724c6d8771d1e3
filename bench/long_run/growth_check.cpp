#include "growth_check.hpp"

#include <algorithm>
#include <functional>
#include <iomanip>
#include <sstream>

namespace long_run {
namespace {

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

Verdict Check(const std::string& figure, const std::vector<double>& values, double allowed) {
  const std::size_t third = values.size() / 3;
  Verdict verdict;
  verdict.figure = figure;
  verdict.baseline = Median({values.begin(), values.begin() + static_cast<std::ptrdiff_t>(third)});
  verdict.end = Median({values.end() - static_cast<std::ptrdiff_t>(third), values.end()});
  verdict.peak = *std::max_element(values.begin(), values.end());
  verdict.growth = verdict.end - verdict.baseline;
  verdict.allowed = allowed;
  verdict.ok = verdict.growth <= allowed;
  if (!verdict.ok)
    verdict.note = "grew beyond the allowance";
  return verdict;
}

}  // namespace

std::vector<Verdict> CheckGrowth(const std::vector<Sample>& samples, double warmupSeconds,
                                 const Allowance& allowance) {
  std::vector<Sample> after;
  std::copy_if(samples.begin(), samples.end(), std::back_inserter(after),
               [warmupSeconds](const Sample& s) { return s.seconds >= warmupSeconds; });
  if (after.size() < 6) {
    Verdict tooShort;
    tooShort.figure = "samples";
    tooShort.note = std::to_string(after.size()) + " samples after the warm-up; at least 6 needed";
    return {tooShort};
  }
  const auto column = [&after](const std::function<double(const Sample&)>& get) {
    std::vector<double> values;
    for (const Sample& s : after)
      values.push_back(get(s));
    return values;
  };
  std::vector<Verdict> verdicts{
      Check("RSS KiB", column([](const Sample& s) { return static_cast<double>(s.rssKiB); }),
            static_cast<double>(allowance.rssKiB)),
      Check("threads", column([](const Sample& s) { return static_cast<double>(s.threads); }),
            static_cast<double>(allowance.threads)),
      Check("fds", column([](const Sample& s) { return static_cast<double>(s.fds); }),
            static_cast<double>(allowance.fds))};

  Verdict flow;
  flow.figure = "packets";
  flow.baseline = static_cast<double>(after.front().packets);
  flow.end = static_cast<double>(after.back().packets);
  flow.peak = flow.end;
  flow.growth = flow.end - flow.baseline;
  flow.ok = true;
  for (std::size_t i = 1; i < after.size() && flow.ok; ++i) {
    if (after[i].packets <= after[i - 1].packets) {
      flow.ok = false;
      std::ostringstream note;
      note << "no packet between " << after[i - 1].seconds << " s and " << after[i].seconds << " s";
      flow.note = note.str();
    }
  }
  verdicts.push_back(flow);
  return verdicts;
}

bool AllOk(const std::vector<Verdict>& verdicts) {
  return std::all_of(verdicts.begin(), verdicts.end(), [](const Verdict& v) { return v.ok; });
}

std::string VerdictTable(const std::vector<Verdict>& verdicts) {
  std::ostringstream out;
  out << std::left << std::setw(10) << "figure" << std::right << std::setw(12) << "first third"
      << std::setw(12) << "last third" << std::setw(12) << "peak" << std::setw(10) << "growth"
      << std::setw(10) << "allowed"
      << "  result\n";
  out << std::fixed << std::setprecision(0);
  for (const Verdict& v : verdicts) {
    out << std::left << std::setw(10) << v.figure << std::right << std::setw(12) << v.baseline
        << std::setw(12) << v.end << std::setw(12) << v.peak << std::setw(10) << v.growth
        << std::setw(10);
    if (v.figure == "packets")
      out << "must grow";
    else
      out << v.allowed;
    out << "  " << (v.ok ? "PASS" : "FAIL");
    if (!v.note.empty())
      out << " (" << v.note << ")";
    out << "\n";
  }
  return out.str();
}

}  // namespace long_run
