// One source as rs-host runs it: created from its address, started with its
// own handler, stopped at the end.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include <boost/shared_ptr.hpp>

#include "host_handler.hpp"
#include "vid_db/media/source.hpp"
#include "vid_db/protocol.hpp"

namespace rs_host {

class HostedSource {
 public:
  HostedSource(std::string name, std::string address, std::uint64_t packetLimit);
  ~HostedSource();
  HostedSource(const HostedSource&) = delete;
  HostedSource& operator=(const HostedSource&) = delete;

  // Creates the source through the protocol and starts it. On failure the
  // error (type and text) is kept and false returned; nothing is thrown.
  [[nodiscard]] bool Start(vid_db::Protocol& protocol);
  // Stops a running source; errors are kept, not thrown.
  void Stop();
  // Drops the source object and every frame of it: all are code of the module.
  void Release();

  const std::string& Name() const { return name_; }
  const std::string& Address() const { return address_; }
  [[nodiscard]] bool Running() const { return running_; }
  // Why the source did not start; empty when it did.
  const std::optional<std::string>& Error() const { return error_; }
  const std::optional<std::string>& StopError() const { return stopError_; }
  HostHandler& Handler() { return *handler_; }
  const HostHandler& Handler() const { return *handler_; }

 private:
  const std::string name_;
  const std::string address_;
  const boost::shared_ptr<HostHandler> handler_;
  boost::shared_ptr<vid_db::Service> service_;
  vid_db::media::Source* source_ = nullptr;  // inside service_
  bool running_ = false;
  std::optional<std::string> error_;
  std::optional<std::string> stopError_;
};

}  // namespace rs_host
