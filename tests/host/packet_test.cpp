#include <stdexcept>
#include <string>

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

std::string ConstructionError(const boost::shared_ptr<vid_db::media::PackBuf>& buf) {
  try {
    Packet packet(buf, 0, true);
  } catch (const std::runtime_error& e) {
    return e.what();
  }
  return "";
}

TEST(Packet, ConstructionChecksBufferAndSize) {
  EXPECT_EQ(ConstructionError(nullptr), "vid_db::media::Packet null dataBuf");
  EXPECT_EQ(ConstructionError(boost::make_shared<Buf>(nullptr, 1)),
            "vid_db::media::Packet invalid size");
  EXPECT_EQ(ConstructionError(boost::make_shared<Buf>(nullptr, 0)), "");
}

TEST(Packet, AttachIgnoresEmptyKeyOrBufferAndReplacesByKey) {
  const std::uint8_t byte = 0;
  Packet packet(boost::make_shared<Buf>(&byte, 1), 0, true);
  const auto first = boost::make_shared<Buf>(&byte, 1);
  const auto second = boost::make_shared<Buf>(&byte, 1);
  packet.Attach("", first);
  packet.Attach("depth", nullptr);
  EXPECT_TRUE(packet.attachments.empty());
  packet.Attach("depth", first);
  packet.Attach("depth", second);
  ASSERT_EQ(packet.attachments.size(), 1u);
  EXPECT_EQ(packet.attachments.at("depth"), second);
}

}  // namespace
