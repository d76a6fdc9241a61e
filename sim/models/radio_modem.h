// A Wq3 radio modem cabled to the port, with a command-line device somewhere out on the air.
//
// The modem takes AT commands after "+++" (radio_modem_wq3.h); in data mode it sends the host's
// bytes over the air, where the device hears them only while modem and device share a channel and
// sub-channel. The device sleeps until a wake sequence of carriage returns, then answers "query"
// and a login by its name (command_line_device.h, radioRemote). A relay on the channel may repeat
// every "query" it hears.
#pragma once

#include <string>

#include "framework/device_model.h"
#include "models/command_line_device.h"
#include "models/radio_modem_wq3.h"

namespace vesk::sim {

struct RadioModemConfig {
  Wq3Settings modem;       // the modem's own channel and sub-channel
  uint32_t deviceRch = 3;  // where the device listens
  uint32_t deviceRsch = 0x1A2B;
  bool relayRepeatsQuery = false;
};

class RadioModemModel final : public DeviceModel {
 public:
  // `device` is the remote device; it is made a radio remote here.
  RadioModemModel(RadioModemConfig config, CommandLineDeviceConfig device);

  void OnReceive(std::string_view bytes, DeviceLine& line) override;
  uint32_t DeviceBaud() const override { return 9600; }
  std::string Describe() const override;

  const Wq3Modem& modem() const { return modem_; }
  CommandLineDevice& device() { return device_; }
  // Everything that went over the air.
  const std::string& air() const { return air_; }

 private:
  bool SameChannel() const;

  RadioModemConfig config_;
  Wq3Modem modem_;
  CommandLineDevice device_;
  std::string air_;
};

}  // namespace vesk::sim
