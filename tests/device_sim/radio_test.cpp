// Reaching a logger over the air through a Wq3 radio modem: waking, querying, logging in and
// out, programming the modem, and a relay that repeats the query.
#include <algorithm>
#include <string>
#include <thread>
#include <vector>

#include "device/protocol_codes.h"
#include "models/radio_modem.h"
#include "protocol_fixture.h"

namespace vesk::test {
namespace {

class RadioLink : public ProtocolOnSim {
 protected:
  void ServeRadio(sim::RadioModemConfig modem, bool awake) {
    sim::CommandLineDeviceConfig device = *sim::CommandLineDevicePreset("rvan");
    device.startAwake = awake;
    Serve(std::make_unique<sim::RadioModemModel>(modem, std::move(device)));
    protocol.SetWakeSpacingForTesting(1);
  }

  int ConnectRadio(const char* name, uint32_t radioRetries) {
    options.radioRetries = radioRetries;
    protocol.ConfigureProtocol(&options, true);
    params = ConnectionParams{};
    CopyTruncated(params.portName, server->portPath());
    params.kind = connection_kind::kRadio;
    CopyTruncated(params.deviceName, name);
    return protocol.ConnectDevice(&params);
  }

  template <typename Fn>
  auto OnModem(Fn&& fn) {
    return server->WithModel<sim::RadioModemModel>(fn);
  }
  // A radio login names the device but does not identify it; the first download does.
  void Identify() {
    DeviceInfo record;
    uint32_t mask = 0;
    ASSERT_EQ(protocol.DeviceSettings(&record, &mask, kModeGet), proto::kOk);
    ASSERT_EQ(protocol.info.version, 202);
  }
  sim::CommandLineDevice::RadioState DeviceState() {
    return OnModem([](sim::RadioModemModel& m) { return m.device().radioState(); });
  }
};

TEST_F(RadioLink, QueryFindsTheNameAndLoginAndLogoutFollow) {
  ServeRadio({}, true);
  ASSERT_EQ(ConnectRadio("", 2), proto::kOk);
  EXPECT_EQ(TextOf(params.deviceName), "LAKE01");
  EXPECT_EQ(TextOf(protocol.info.name), "LAKE01");
  EXPECT_EQ(params.baudIndex, 2);
  EXPECT_EQ(DeviceState(), sim::CommandLineDevice::RadioState::kLoggedIn);
  EXPECT_TRUE(Logged("QueryCommand heard from: LAKE01"));

  Identify();
  int32_t wake = 0;
  EXPECT_EQ(protocol.WakeCommand(&wake, kModeGet), proto::kOk);
  EXPECT_EQ(wake, 600);

  EXPECT_EQ(protocol.DisconnectDevice(false), proto::kOk);
  EXPECT_TRUE(
      Eventually([this] { return DeviceState() == sim::CommandLineDevice::RadioState::kAsleep; }));
  EXPECT_FALSE(backend.IsOpen());
}

TEST_F(RadioLink, SleepingDeviceIsWokenAndThenLoggedIntoByName) {
  ServeRadio({}, false);
  ASSERT_EQ(ConnectRadio("LAKE01", 1), proto::kOk);
  EXPECT_TRUE(Logged("SendWake sent 909 packets"));
  EXPECT_EQ(DeviceState(), sim::CommandLineDevice::RadioState::kLoggedIn);
  const std::string air = OnModem([](sim::RadioModemModel& m) { return m.air(); });
  EXPECT_NE(air.find(std::string(909, '\r') + "login LAKE01\r"), std::string::npos);
}

TEST_F(RadioLink, NobodyOnTheChannelMeansNothingIsListening) {
  sim::RadioModemConfig modem;
  modem.deviceRch = 5;  // the device listens elsewhere
  ServeRadio(modem, true);
  EXPECT_EQ(ConnectRadio("", 1), proto::kNobodyListening);
  EXPECT_TRUE(Logged("DeviceLogin: nothing is listening over the radio"));
  EXPECT_TRUE(Logged("SendWake sent 909 packets")) << "one wake sequence before giving up";
  EXPECT_FALSE(backend.IsOpen());
}

TEST_F(RadioLink, RelayRepeatingTheQueryIsRecognised) {
  sim::RadioModemConfig modem;
  modem.relayRepeatsQuery = true;
  ServeRadio(modem, true);
  EXPECT_EQ(ConnectRadio("", 1), proto::kRelayRepeats);
  EXPECT_TRUE(Logged("QueryCommand is hearing \"query\" -- a relay must be active"));
}

TEST_F(RadioLink, ModemIsProgrammedBeforeTheLogin) {
  sim::RadioModemConfig modem;
  modem.deviceRch = 5;
  modem.deviceRsch = 0x2B;
  ServeRadio(modem, true);
  params.configureRadio = 1;
  options.radioRetries = 2;
  protocol.ConfigureProtocol(&options, true);
  CopyTruncated(params.portName, server->portPath());
  params.kind = connection_kind::kRadio;
  params.radioChannel = 5;
  params.radioSubChannel = 0x2B;
  CopyTruncated(params.deviceName, "LAKE01");
  ASSERT_EQ(protocol.ConnectDevice(&params), proto::kOk);
  const auto commands = OnModem([](sim::RadioModemModel& m) { return m.modem().commands(); });
  EXPECT_EQ(commands, (std::vector<std::string>{"ATHP5", "ATDT2B", "ATWR", "ATCN"}));
  EXPECT_EQ(protocol.retries, 2u) << "the radio's own retry count once the modem is set";
  Identify();

  // The radio settings come from the connection; they cannot be written over the air.
  int32_t rch = 0, rsch = 0;
  FixedText<9> rver{};
  uint32_t mask = setting::kRadio;
  EXPECT_EQ(protocol.MSRadioCommand(&rch, &rsch, &rver, kModeGet, &mask), proto::kOk);
  EXPECT_EQ(mask, setting::kRch | setting::kRsch);
  EXPECT_EQ(rch, 5);
  EXPECT_EQ(rsch, 0x2B);
  mask = setting::kRch;
  EXPECT_EQ(protocol.MSRadioCommand(&rch, &rsch, &rver, kModeSet, &mask), proto::kRefusedSetting);
  EXPECT_EQ(mask, 0u);
}

TEST_F(RadioLink, RadioSettingsAreAskedOfTheLocalModem) {
  ServeRadio({}, true);
  ASSERT_EQ(ConnectRadio("LAKE01", 2), proto::kOk);
  Identify();
  int32_t rch = 0, rsch = 0;
  uint32_t mask = setting::kRadio;
  EXPECT_EQ(protocol.MSRadioCommand(&rch, &rsch, nullptr, kModeGet, &mask), proto::kOk);
  EXPECT_EQ(mask, setting::kRch | setting::kRsch);
  EXPECT_EQ(rch, 3);
  EXPECT_EQ(rsch, 0x1A2B);
  // Back in data mode, the device answers over the air again.
  uint32_t trait = 0;
  EXPECT_EQ(protocol.TraitCommand(&trait, kModeGet), proto::kOk);
  EXPECT_EQ(trait, 0x4009u);
}

class WakeHooks final : public ProtocolHooks {
 public:
  bool ProgressHook(int, int done, int phase) override {
    dones.push_back(done);
    if (slowMs > 0) {
      std::this_thread::sleep_for(std::chrono::milliseconds(slowMs));
    }
    return phase != progress_phase::kProgress || done < stopAt;
  }
  std::vector<int> dones;
  int stopAt = 10000;
  int slowMs = 0;
};

TEST_F(RadioLink, WakeSequenceIs909CarriageReturns) {
  ServeRadio({}, false);
  ASSERT_EQ(DSOpen(protocol, server->portPath(), 9600), 1);
  EXPECT_EQ(protocol.SendWake(), proto::kOk);
  EXPECT_TRUE(Eventually([this] { return server->Received().size() >= 909; }));
  EXPECT_EQ(server->Received(), std::string(909, '\r'));
}

TEST_F(RadioLink, WakeSequenceReportsEvery18PacketsAndCanBeCancelled) {
  ServeRadio({}, false);
  ASSERT_EQ(DSOpen(protocol, server->portPath(), 9600), 1);
  options.progressHookOn = 1;
  protocol.ConfigureProtocol(&options, true);
  // The hook must be quicker than the spacing to be asked at all; leave it ample room even on a
  // loaded machine (the counter's 1 ms steps alone can make a 1 ms spacing look exceeded).
  protocol.SetWakeSpacingForTesting(25);
  WakeHooks hooks;
  hooks.stopAt = 36;
  protocol.SetHooks(&hooks);
  EXPECT_EQ(protocol.SendWake(), proto::kCancelled);
  EXPECT_EQ(hooks.dones, (std::vector<int>{0, 18, 36}));
  EXPECT_TRUE(Eventually([this] { return server->Received().size() >= 37; }));
  EXPECT_EQ(server->Received(), std::string(37, '\r'));
  EXPECT_TRUE(Logged("SendWake canceled by user after sending 36 of 909 packets"));
  protocol.SetHooks(nullptr);
}

TEST_F(RadioLink, SlowProgressHookIsDroppedToKeepTheCadence) {
  ServeRadio({}, false);
  ASSERT_EQ(DSOpen(protocol, server->portPath(), 9600), 1);
  options.progressHookOn = 1;
  protocol.ConfigureProtocol(&options, true);
  WakeHooks hooks;
  hooks.slowMs = 5;  // longer than the 1 ms spacing of this test
  protocol.SetHooks(&hooks);
  EXPECT_EQ(protocol.SendWake(), proto::kOk);
  EXPECT_EQ(hooks.dones, (std::vector<int>{0, 909})) << "asked once, then only the finish";
  EXPECT_TRUE(Logged("SendWake executing too slow to send status (PIG status)!"));
  EXPECT_TRUE(Eventually([this] { return server->Received().size() >= 909; }));
  EXPECT_EQ(server->Received(), std::string(909, '\r'));
  protocol.SetHooks(nullptr);
}

}  // namespace
}  // namespace vesk::test
