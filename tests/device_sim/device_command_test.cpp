// The attempt rules of the single command exchange every device operation rests on.
#include <string>
#include <vector>

#include "device/protocol_codes.h"
#include "protocol_fixture.h"

namespace vesk::test {
namespace {

struct AttemptCase {
  const char* what;
  std::vector<sim::CommandFault> faults;  // how the device answers "get -w"
  bool echo;
  int result;    // DeviceCommand's result
  int attempts;  // how often "get -w" reached the device
  const char* answer;
};

class DeviceCommandAttempts : public ProtocolOnSim {};

TEST_F(DeviceCommandAttempts, FollowTheAnswerOfEachAttempt) {
  const std::string ok = "\r600\r>";
  const std::string refused = "\rERROR\r>";
  const AttemptCase cases[] = {
      {"answered", {}, false, 6, 1, "\r600\r>"},
      {"refused every time", {{"get -w", refused, -1}}, false, proto::kRefused, 3, ""},
      {"a question mark anywhere", {{"get -w", "\r6?0\r>", -1}}, false, proto::kRefused, 3, ""},
      {"unsupported", {{"get -w", "\rUnsupported\r>", -1}}, false, proto::kRefused, 3, ""},
      {"refused once, then answered", {{"get -w", refused, 1}}, false, 6, 2, "\r600\r>"},
      {"silent twice, then refused",
       {{"get -w", "", 2}, {"get -w", refused, -1}},
       false,
       proto::kRefused,
       3,
       ""},
      {"silent twice, then answered", {{"get -w", "", 2}}, false, 6, 3, "\r600\r>"},
      {"refused, then silent",
       {{"get -w", refused, 1}, {"get -w", "", -1}},
       false,
       proto::kAttemptSilent,
       3,
       ""},
      {"silent every time", {{"get -w", "", -1}}, false, proto::kNoAnswer, 3, ""},
      {"echoed", {}, true, proto::kEchoed, 1, ""},
      {"only its prompt", {{"get -w", "\r\r>", -1}}, false, proto::kEmptyAnswer, 1, "\r\r>"},
  };
  for (const AttemptCase& c : cases) {
    SCOPED_TRACE(c.what);
    ServePreset("rvan", [&c](sim::CommandLineDeviceConfig& config) {
      config.faults = c.faults;
      config.echoCommands = c.echo;
      config.settings["w"] = "600";
    });
    ASSERT_EQ(Connect(), c.echo ? proto::kEchoed : proto::kOk);
    if (c.echo) {
      // Echoed commands already fail the connection; open the port to ask directly.
      ASSERT_EQ(DSOpen(protocol, server->portPath(), 9600), 1);
    }
    char answer[64] = "untouched";
    size_t length = sizeof answer;
    uint32_t elapsed = 0;
    const int rc = protocol.DeviceCommand("get -w\r", '>', 300, answer, &length, &elapsed);
    EXPECT_EQ(rc, c.result);
    EXPECT_EQ(Count(Lines(), "get -w"), c.attempts);
    EXPECT_STREQ(answer, c.answer);
    EXPECT_EQ(length, std::string(c.answer).size());
    protocol.DisconnectDevice(false);
    DSClose(protocol);
  }
}

TEST_F(DeviceCommandAttempts, LongAnswerIsCutToTheBufferButCountedWhole) {
  ServePreset("rvan", [](sim::CommandLineDeviceConfig& config) {
    config.settings["site"] = "ABCDEFGHIJKLMNOP";
  });
  ASSERT_EQ(Connect(), proto::kOk);
  char answer[8];
  size_t length = sizeof answer;
  const int rc = protocol.DeviceCommand("get -site\r", '>', 1500, answer, &length, nullptr);
  EXPECT_EQ(rc, 19);
  EXPECT_STREQ(answer, "\rABCDEF");
  EXPECT_EQ(length, 7u);
  EXPECT_TRUE(Logged("DeviceCommand got 12 more bytes than expected (get -site\r)"));
}

class RecordingHooks final : public ProtocolHooks {
 public:
  void EchoHook(std::string_view text) override { echoed.emplace_back(text); }
  std::vector<std::string> echoed;
};

TEST_F(DeviceCommandAttempts, EchoModeChoosesWhatTheHookHears) {
  ServePreset("rvan");
  ASSERT_EQ(Connect(), proto::kOk);
  RecordingHooks hooks;
  protocol.SetHooks(&hooks);
  for (int8_t mode : {0, 1, 2, 3}) {
    hooks.echoed.clear();
    options.echoMode = mode;
    ASSERT_EQ(protocol.ConfigureProtocol(&options, true), proto::kOk);
    protocol.DeviceCommand("get -w\r", '>', 1500, nullptr, nullptr, nullptr);
    std::vector<std::string> expected;
    if (mode & 2) {
      expected.push_back("get -w\r");
    }
    if (mode & 1) {
      expected.push_back("\r600\r>");
    }
    EXPECT_EQ(hooks.echoed, expected) << "echoMode " << int(mode);
  }
  protocol.SetHooks(nullptr);
}

}  // namespace
}  // namespace vesk::test
