// Private inheritance from Noncopyable makes a class neither copyable nor
// assignable; since no copy operations exist, no move operations are
// generated either.
#pragma once

namespace utils {

class Noncopyable {
 public:
  Noncopyable(const Noncopyable&) = delete;
  Noncopyable& operator=(const Noncopyable&) = delete;

 protected:
  Noncopyable() = default;
  ~Noncopyable() = default;
};

}  // namespace utils
