// How the server finds services: a protocol object serves one or more address
// schemes and creates a service for each configured settings object.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include <boost/shared_ptr.hpp>

namespace vid_db {

class ServiceSettings {
 public:
  virtual ~ServiceSettings() = default;
  // The kind of service these settings configure ("media" for a media source).
  virtual std::string_view GetType() const = 0;
};

class Service {
 public:
  virtual ~Service() = default;
};

class Protocol {
 public:
  virtual ~Protocol() = default;
  virtual boost::shared_ptr<Service> CreateService(const ServiceSettings& settings) = 0;
  virtual std::vector<std::string> GetSchemes() const = 0;
};

}  // namespace vid_db
