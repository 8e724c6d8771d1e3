#include <string>
#include <string_view>
#include <typeinfo>
#include <utility>
#include <vector>

#include <boost/weak_ptr.hpp>
#include <utils/url_parser_error.hpp>

#include "module_test.hpp"

namespace vs_realsense2_test {
namespace {

class TypedSettings : public vid_db::ServiceSettings {
 public:
  explicit TypedSettings(std::string type) : type_(std::move(type)) {}
  std::string_view GetType() const override { return type_; }

 private:
  std::string type_;
};

using ProtocolTest = ModuleTest;

TEST_F(ProtocolTest, EachQueryHandsOutANewProtocolAndReleasesTheOldOne) {
  boost::shared_ptr<vid_db::Protocol> target = module.NewProtocol();
  const boost::weak_ptr<vid_db::Protocol> previous = target;
  int anything = 0;
  EXPECT_EQ(module.Query()(&anything, target), 0);
  EXPECT_TRUE(previous.expired());
  ASSERT_TRUE(target);
  EXPECT_NE(target.get(), protocol.get());
}

TEST_F(ProtocolTest, ServesExactlyTheRealsenseScheme) {
  std::vector<std::string> schemes = protocol->GetSchemes();
  EXPECT_EQ(schemes, std::vector<std::string>{"realsense"});
  schemes[0] = "changed";
  EXPECT_EQ(protocol->GetSchemes(), std::vector<std::string>{"realsense"});
}

TEST_F(ProtocolTest, CreatesSourcesOnlyForTheExactMediaType) {
  for (const char* type : {"Media", "media ", "medi", "", "video"}) {
    EXPECT_FALSE(protocol->CreateService(TypedSettings(type))) << '"' << type << '"';
  }
  const boost::shared_ptr<vid_db::Service> service =
      protocol->CreateService(MakeSettings("realsense://?c_width=640", "cam"));
  ASSERT_TRUE(boost::dynamic_pointer_cast<vid_db::media::Source>(service));
  const auto withCaps = boost::dynamic_pointer_cast<vid_db::media::SourceWithCaps>(service);
  ASSERT_TRUE(withCaps);
  EXPECT_EQ(withCaps->GetCaps().flags, 1u);
}

TEST_F(ProtocolTest, MediaSettingsOfAnotherClassRaiseBadCast) {
  EXPECT_THROW(protocol->CreateService(TypedSettings("media")), std::bad_cast);
}

TEST_F(ProtocolTest, UnparsableAddressReachesTheHostAsParserError) {
  try {
    protocol->CreateService(MakeSettings("realsense://a b", "cam"));
    FAIL() << "no exception";
  } catch (const utils::UrlParserError& e) {
    EXPECT_STREQ(e.what(), "failed to parse URL: 'realsense://a b'");
  }
  EXPECT_TRUE(log.Lines().empty());
}

}  // namespace
}  // namespace vs_realsense2_test
