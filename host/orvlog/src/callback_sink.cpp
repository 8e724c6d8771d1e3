#include "callback_sink.hpp"

#include "sink_registry.hpp"

namespace orvlog {

void CallbackSink::sink_it_(const spdlog::details::log_msg& msg) {
  spdlog::memory_buf_t formatted;
  formatter_->format(msg, formatted);
  std::string line(formatted.data(), formatted.size());
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
    line.pop_back();
  callback_(LogLine{FromSpdlogLevel(msg.level),
                    std::string(msg.logger_name.data(), msg.logger_name.size()),
                    std::string(msg.payload.data(), msg.payload.size()), std::move(line)});
}

}  // namespace orvlog
