#include <cstdint>

#include <gtest/gtest.h>
#include <boost/make_shared.hpp>

#include "vid_db/media/packet.hpp"

namespace {

using vid_db::media::Packet;

class Buf : public vid_db::media::PackBuf {
 public:
  Buf(const std::uint8_t* data, std::uint64_t size) : data_(data), size_(size) {}
  const std::uint8_t* GetData() const override { return data_; }
  std::uint64_t GetSize() const override { return size_; }

 private:
  const std::uint8_t* data_;
  std::uint64_t size_;
};

// A copy of a packet takes its own depth under the key the original had
// (bench/frame_path_bench.cpp).
TEST(Packet, AttachReplacesByKey) {
  const std::uint8_t byte = 0;
  Packet packet(boost::make_shared<Buf>(&byte, 1), 0, true);
  const auto first = boost::make_shared<Buf>(&byte, 1);
  const auto second = boost::make_shared<Buf>(&byte, 1);
  packet.Attach("depth", first);
  packet.Attach("depth", second);
  ASSERT_EQ(packet.attachments.size(), 1u);
  EXPECT_EQ(packet.attachments.at("depth"), second);
}

}  // namespace
