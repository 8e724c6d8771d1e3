// The process-wide sink settings of the logging library.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

#include <spdlog/sinks/sink.h>

#include "orvlog/orvlog.hpp"

namespace orvlog {

spdlog::level::level_enum ToSpdlogLevel(Severity severity);
Severity FromSpdlogLevel(spdlog::level::level_enum level);

class SinkRegistry {
 public:
  struct Entry {
    SinkId id;
    Severity minimum;
    std::shared_ptr<spdlog::sinks::sink> sink;
  };
  using Snapshot = std::shared_ptr<const std::vector<Entry>>;

  static SinkRegistry& Instance();

  SinkId Add(Severity minimum, std::shared_ptr<spdlog::sinks::sink> sink);
  bool Remove(SinkId id);
  void RemoveAll();

  // Lock-free: called by every statement, also when nothing is written.
  bool Takes(Severity severity) const {
    return static_cast<int>(severity) >= minimum_.load(std::memory_order_acquire);
  }
  // The sinks as they are now; writers use it without holding the lock.
  Snapshot Sinks() const;

  void SetForbidden(bool forbidden) { forbidden_.store(forbidden, std::memory_order_release); }
  bool Forbidden() const { return forbidden_.load(std::memory_order_acquire); }

 private:
  SinkRegistry();
  void Publish(std::vector<Entry> entries);  // requires mutex_

  mutable std::mutex mutex_;
  Snapshot sinks_;
  SinkId nextId_ = 1;
  std::atomic<int> minimum_;
  std::atomic<bool> forbidden_{false};
};

}  // namespace orvlog
