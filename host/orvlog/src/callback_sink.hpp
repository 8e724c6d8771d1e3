// A sink that hands every finished line to a function of the host's.
#pragma once

#include <mutex>

#include <spdlog/sinks/base_sink.h>

#include "orvlog/orvlog.hpp"

namespace orvlog {

class CallbackSink final : public spdlog::sinks::base_sink<std::mutex> {
 public:
  explicit CallbackSink(LineCallback callback) : callback_(std::move(callback)) {}

 protected:
  void sink_it_(const spdlog::details::log_msg& msg) override;
  void flush_() override {}

 private:
  LineCallback callback_;
};

}  // namespace orvlog
