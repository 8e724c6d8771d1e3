#include "sink_registry.hpp"

#include <algorithm>
#include <climits>

namespace orvlog {
namespace {
constexpr int kNoSink = INT_MAX;
}

spdlog::level::level_enum ToSpdlogLevel(Severity severity) {
  switch (severity) {
    case Severity::Trace:
      return spdlog::level::trace;
    case Severity::Debug:
      return spdlog::level::debug;
    case Severity::Info:
      return spdlog::level::info;
    case Severity::Warning:
      return spdlog::level::warn;
    case Severity::Error:
      return spdlog::level::err;
  }
  return spdlog::level::critical;
}

Severity FromSpdlogLevel(spdlog::level::level_enum level) {
  switch (level) {
    case spdlog::level::trace:
      return Severity::Trace;
    case spdlog::level::debug:
      return Severity::Debug;
    case spdlog::level::info:
      return Severity::Info;
    case spdlog::level::warn:
      return Severity::Warning;
    default:
      return Severity::Error;
  }
}

SinkRegistry::SinkRegistry()
    : sinks_(std::make_shared<const std::vector<Entry>>()), minimum_(kNoSink) {}

SinkRegistry& SinkRegistry::Instance() {
  static SinkRegistry registry;
  return registry;
}

SinkId SinkRegistry::Add(Severity minimum, std::shared_ptr<spdlog::sinks::sink> sink) {
  sink->set_level(ToSpdlogLevel(minimum));
  const std::lock_guard<std::mutex> lock(mutex_);
  std::vector<Entry> entries(*sinks_);
  const SinkId id = nextId_++;
  entries.push_back(Entry{id, minimum, std::move(sink)});
  Publish(std::move(entries));
  return id;
}

bool SinkRegistry::Remove(SinkId id) {
  const std::lock_guard<std::mutex> lock(mutex_);
  std::vector<Entry> entries(*sinks_);
  const auto it =
      std::find_if(entries.begin(), entries.end(), [id](const Entry& e) { return e.id == id; });
  if (it == entries.end())
    return false;
  entries.erase(it);
  Publish(std::move(entries));
  return true;
}

void SinkRegistry::RemoveAll() {
  const std::lock_guard<std::mutex> lock(mutex_);
  Publish({});
}

SinkRegistry::Snapshot SinkRegistry::Sinks() const {
  const std::lock_guard<std::mutex> lock(mutex_);
  return sinks_;
}

void SinkRegistry::Publish(std::vector<Entry> entries) {
  int minimum = kNoSink;
  for (const Entry& e : entries)
    minimum = std::min(minimum, static_cast<int>(e.minimum));
  sinks_ = std::make_shared<const std::vector<Entry>>(std::move(entries));
  minimum_.store(minimum, std::memory_order_release);
}

}  // namespace orvlog
