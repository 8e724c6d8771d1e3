// Before any camera: the one export, the protocol, an unstarted source.
#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <typeinfo>
#include <utility>
#include <vector>

#include <boost/weak_ptr.hpp>

#include "module_test.hpp"

namespace vs_realsense2_test {
namespace {

// Windows: the DLL's export table is checked from the build (tests/windows).
#ifndef _WIN32
TEST(ModuleExports, OnlyTheEntryPointIsExported) {
  const std::string command =
      "nm -D --defined-only '" + vs_test_support::ModulePath() + "' | awk '{print $3}'";
  const std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  ASSERT_TRUE(pipe);
  std::string names;
  for (int c = fgetc(pipe.get()); c != EOF; c = fgetc(pipe.get()))
    names += static_cast<char>(c);
  EXPECT_EQ(names, "run_realsense_protocol_query\n");
}
#endif

struct TypedSettings : vid_db::ServiceSettings {
  explicit TypedSettings(std::string t) : type(std::move(t)) {}
  std::string_view GetType() const override { return type; }
  const std::string type;
};

using ProtocolTest = ModuleTest;

TEST_F(ProtocolTest, EachQueryHandsOutANewRealsenseProtocolAndReleasesTheOldOne) {
  boost::shared_ptr<vid_db::Protocol> target = module.NewProtocol();
  const boost::weak_ptr<vid_db::Protocol> previous = target;
  int anything = 0;
  EXPECT_EQ(module.Query()(&anything, target), 0);
  EXPECT_TRUE(previous.expired());
  ASSERT_TRUE(target);
  EXPECT_NE(target.get(), protocol.get());
  EXPECT_EQ(target->GetSchemes(), Texts{"realsense"});
}

TEST_F(ProtocolTest, CreatesSourcesOnlyForSourceSettingsOfTheExactMediaType) {
  for (const char* type : {"Media", "media ", "medi", "", "video"})
    EXPECT_FALSE(protocol->CreateService(TypedSettings(type))) << '"' << type << '"';
  EXPECT_THROW(protocol->CreateService(TypedSettings("media")), std::bad_cast);
  const auto withCaps =
      boost::dynamic_pointer_cast<vid_db::media::SourceWithCaps>(CreateSource("realsense://"));
  ASSERT_TRUE(withCaps);
  EXPECT_EQ(withCaps->GetCaps().flags, 1u);
}

TEST_F(ProtocolTest, UnstartedSourceRefusesANullHandlerSilentlyAndStopLogsOnlyStop) {
  const auto source = CreateSource("realsense://", "front door");
  EXPECT_EQ(ThrownText<std::runtime_error>([&] { source->Start(vid_db::media::StartParams{}); }),
            "handler is null");
  EXPECT_TRUE(log.All().empty());
  source->Stop();
  source->Stop();
  EXPECT_EQ(log.All(), (Lines{{kDebug, "<front door> Stop: "}, {kDebug, "<front door> Stop: "}}));
}

// A server sees none of the module's own types (they are not exported and
// their headers are not installed): it catches the standard base.
TEST_F(ProtocolTest, AddressThatIsNoUriIsAStandardRuntimeErrorNamingIt) {
  const std::string address = "realsense://?c_width=6 40";
  EXPECT_EQ(ThrownText<std::runtime_error>([&] { CreateSource(address); }),
            "failed to parse URL: '" + address + "'");
  EXPECT_TRUE(log.All().empty());
}

}  // namespace
}  // namespace vs_realsense2_test
