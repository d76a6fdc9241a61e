// Reaching the boot loader through BSLConnect against a scripted device: every answer the running
// firmware and the boot loader may give to "boot", to a carriage return, to "P" and to "g", with
// the exact bytes the host sends in reply and the result it ends with.
#include <gtest/gtest.h>

#include "host_fixture.h"
#include "models/scripted_peer.h"

namespace vesk::test {
namespace {

using HandshakeTest = HostOnSimulator;

constexpr const char* kBoot = "boot OIEM\r";
constexpr const char* kVersionRequest = "g.0095\r";

struct Answers {
  const char* toBoot;    // nullptr: silence
  bool bootRefusedOnce;  // "ERROR" to the first "boot", then toBoot
  const char* toReturn;  // the answer to a lone carriage return
  const char* toP;
  const char* toG;
};

std::unique_ptr<sim::ScriptedPeer> Script(const Answers& a) {
  auto peer = std::make_unique<sim::ScriptedPeer>();
  // The version request first: its carriage return must not be taken for a lone one.
  if (a.toG != nullptr) {
    peer->When(kVersionRequest, a.toG);
  }
  if (a.bootRefusedOnce) {
    peer->When(kBoot, "ERROR\r\n>", std::chrono::milliseconds(0), true);
  }
  if (a.toBoot != nullptr) {
    peer->When(kBoot, a.toBoot);
  }
  if (a.toP != nullptr) {
    peer->When("P", a.toP);
  }
  if (a.toReturn != nullptr) {
    peer->When("\r", a.toReturn);
  }
  return peer;
}

std::string Repeat(const std::string& text, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) {
    out += text;
  }
  return out;
}

TEST_F(HandshakeTest, ConnectFollowsEveryAnswer) {
  const std::string started = std::string(kBoot) + "\r" + "P" + kVersionRequest;
  struct Case {
    const char* name;
    Answers answers;
    uint32_t attempts;
    int32_t result;
    std::string sent;     // every byte the device received, in order
    const char* logLine;  // a line the log must hold
  };
  const Case cases[] = {
      {"started with $$",
       {"$$\r\n", false, "$", "#", "+7+\r"},
       3,
       7,
       started,
       "VeskBSL: BSLInvocation successful (1 tries)\r\n"},
      {"refused once, then started",
       {"OK\r\n", true, "$", "#", "+7+\r"},
       3,
       7,
       kBoot + started,
       "VeskBSL: BSLConnect connected to device running VeskBSL version 7\r\n"},
      // Each attempt of phase one asks again; BSLCheck then finds nobody either.
      {"silence to boot",
       {nullptr, false, nullptr, nullptr, nullptr},
       2,
       kBslMissing,
       Repeat(kBoot, 2) + "\r",
       "VeskBSL: BSLInvocation failed with error -112\r\n"},
      // "OK", but no "$" to any carriage return: "P" is never sent.
      {"no $ after boot",
       {"OK\r\n", false, "x", nullptr, nullptr},
       2,
       kBslMissing,
       std::string(kBoot) + "\r\r" + "\r",
       "VeskBSL: BSLCheck didn't get a response from the VeskBSL\r\n"},
      // "$" but never "#": the handshake's attempts, then BSLCheck finds the boot loader waiting
      // and BSLAttach tries its own.
      {"no # to P",
       {"OK\r\n", false, "$", "x", nullptr},
       2,
       kBslUnreachable,
       std::string(kBoot) + "\rP\rP" + "\r" + "\rP\rP",
       "VeskBSL: BSLAttach failed with error -110\r\n"},
      {"g answered ERROR",
       {"OK\r\n", false, "$", "#", "+ERROR\r"},
       2,
       kBslUnreachable,
       Repeat(started, 2),
       "VeskBSL: BSLConnect failed to connect to device (error -110)\r\n"},
      // An acknowledgement without a version does not tell what the host talks to.
      {"g answered without a version",
       {"OK\r\n", false, "$", "#", "+\r"},
       2,
       kBslUnreachable,
       Repeat(started, 2),
       "VeskBSL: BSLConnect failed to connect to device (error -110)\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    StartModel(Script(c.answers));
    EXPECT_EQ(BSLConnect(*host, server->portPath().c_str(), 9600, false, c.attempts), c.result);
    EXPECT_EQ(server->Received(), c.sent);
    EXPECT_NE(LogText().find(c.logLine), std::string::npos) << LogText();
    // A failed connection gives the port up again; a good one keeps it.
    EXPECT_EQ(host->connected, c.result > 0);
    EXPECT_EQ(DSIsOpen(*host), c.result > 0);
    BSLDisconnect(*host);
    host.reset();
    server.reset();
    WriteFile(log.path(), "");
  }
}

}  // namespace
}  // namespace vesk::test
