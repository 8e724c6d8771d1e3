// Media data as the server passes it around: buffers owned through shared
// pointers, and packets that point into them without copying.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <utility>

#include <boost/functional/hash.hpp>
#include <boost/shared_ptr.hpp>
#include <boost/unordered_map.hpp>

namespace vid_db {
namespace media {

class DataBuf {
 public:
  virtual ~DataBuf() = default;
};

class PackBuf : public DataBuf {
 public:
  virtual const std::uint8_t* GetData() const = 0;
  virtual std::uint64_t GetSize() const = 0;
};

// A depth image: 16-bit depth units, row by row.
class DepthFrame : public PackBuf {
 public:
  virtual std::uint64_t GetStride() const = 0;  // bytes per row
  virtual float GetUnits() const = 0;           // metres per depth unit
  virtual std::pair<std::uint32_t, std::uint32_t> GetResolution() const = 0;  // width, height
  // Depth encoding; 0 is unsigned 16-bit little-endian units, the only one so far.
  virtual std::uint32_t GetEncoding() const { return 0; }
};

enum PacketFlags : std::uint32_t {
  kPacketKeyFrame = 1,  // decodable on its own
};

struct Packet {
  using Attachments =
      boost::unordered_map<std::string, boost::shared_ptr<DataBuf>, boost::hash<std::string>>;

  Packet(const boost::shared_ptr<PackBuf>& buf, std::int64_t time, bool keyFrame)
      : Packet(0, buf, time, keyFrame ? std::uint32_t{kPacketKeyFrame} : std::uint32_t{0}) {}

  Packet(std::uint32_t tag_, const boost::shared_ptr<PackBuf>& buf, std::int64_t time_,
         std::uint32_t flags_)
      : tag(tag_), time(time_), flags(flags_) {
    if (!buf)
      throw std::runtime_error("vid_db::media::Packet null dataBuf");
    const std::uint64_t bufSize = buf->GetSize();
    const std::uint8_t* bufData = buf->GetData();
    if (bufData == nullptr && bufSize != 0) {
      throw std::runtime_error("vid_db::media::Packet invalid size");
    }
    data = bufData;
    size = bufSize;
    dataBuf = buf;
  }

  // Adds or replaces a named side buffer; an empty key or buffer changes nothing.
  void Attach(const std::string& key, const boost::shared_ptr<DataBuf>& buf) {
    if (key.empty() || !buf)
      return;
    attachments[key] = buf;
  }

  std::uint32_t tag = 0;
  const std::uint8_t* data = nullptr;
  std::uint64_t size = 0;
  std::int64_t time = 0;  // ms since 1970-01-01 00:00 UTC
  std::uint32_t flags = 0;
  boost::shared_ptr<PackBuf> dataBuf;
  Attachments attachments;
};

}  // namespace media
}  // namespace vid_db
