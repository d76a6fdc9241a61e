// The service commands the update procedures send around a firmware replacement (battery,
// power-on test, the reader's hardware revision, the access-code login), answered by the
// simulated devices the way those procedures read them.
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>

#include "device/protocol_codes.h"
#include "protocol_fixture.h"

namespace vesk::test {
namespace {

class ServiceCommandsOnSim : public ProtocolOnSim {
 protected:
  // One exchange with a 32-byte answer, as the procedures ask these commands.
  int Ask(const char* command, uint32_t timeoutMs, std::string* answer) {
    char text[32] = {};
    size_t length = sizeof text;
    const int rc = protocol.DeviceCommand(command, '>', timeoutMs, text, &length, nullptr);
    *answer = text;
    return rc;
  }

  // The access-code login: the text goes out without a line end, one character at a time, and
  // the line ends with the exchange that collects the answer.
  int AccessLogin(const char* code, std::string* answer) {
    char login[16];
    std::snprintf(login, sizeof login, "login *%s", code);
    for (size_t i = 0; i < std::strlen(login); ++i) {
      size_t written = 0;
      EXPECT_EQ(DSWrite(protocol, login + i, 1, written), 1);
    }
    return Ask("\r\n\r", 6000, answer);
  }

  bool LoggedIn() {
    return OnDevice([](sim::CommandLineDevice& d) { return d.serviceLoggedIn(); });
  }
};

TEST_F(ServiceCommandsOnSim, AnswersAsTheProceduresReadThem) {
  struct Case {
    const char* preset;
    std::function<void(sim::CommandLineDeviceConfig&)> tweak;
    const char* command;
    int result;  // > 0: the answer holds `holds`
    const char* holds;
  };
  const Case cases[] = {
      {"pelmirat", {}, "get -batt\r", 1, "\r87\r>"},
      {"rvan", [](sim::CommandLineDeviceConfig& c) { c.batteryPercent = 9; }, "get -batt\r", 1,
       "\r9\r>"},
      {"rvan", [](sim::CommandLineDeviceConfig& c) { c.batteryPercent.reset(); }, "get -batt\r",
       proto::kRefused, ""},
      {"pelmirat", {}, "get -hver\r", 1, "\rC\r>"},
      {"rvan", {}, "get -hver\r", proto::kRefused, ""},  // only the reader has a revision
      {"rvan", {}, "post\r", 1, "Code Good!"},
      {"rvan", [](sim::CommandLineDeviceConfig& c) { c.firmwareCorrupt = true; }, "post -init\r", 1,
       "Code Corrupt!"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.preset) + " " + c.command);
    ServePreset(c.preset, c.tweak);
    ASSERT_EQ(Connect(), proto::kOk);
    std::string answer;
    const int rc = Ask(c.command, 7000, &answer);
    if (c.result > 0) {
      EXPECT_GT(rc, 0);
      EXPECT_NE(answer.find(c.holds), std::string::npos) << answer;
    } else {
      EXPECT_EQ(rc, c.result);
    }
    protocol.DisconnectDevice(false);
  }
}

TEST_F(ServiceCommandsOnSim, AccessCodeOpensTheServiceLevelAndLogoutClosesIt) {
  ServePreset("rvan");
  ASSERT_EQ(Connect(), proto::kOk);
  std::string answer;
  EXPECT_LT(AccessLogin("1234", &answer), 0);
  EXPECT_FALSE(LoggedIn());

  EXPECT_GT(AccessLogin("7319", &answer), 0);
  EXPECT_NE(answer.find("OK"), std::string::npos) << answer;
  EXPECT_TRUE(LoggedIn());

  EXPECT_GT(Ask("logout\r", 2000, &answer), 0);
  EXPECT_FALSE(LoggedIn());
}

}  // namespace
}  // namespace vesk::test
