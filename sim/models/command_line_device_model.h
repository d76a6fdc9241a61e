// A command-line device cabled to the port: the engine of command_line_device.h on a serial line
// whose speed follows "set -baud".
#pragma once

#include <optional>
#include <string>

#include "framework/device_model.h"
#include "models/command_line_device.h"

namespace vesk::sim {

class CommandLineDeviceModel final : public DeviceModel {
 public:
  explicit CommandLineDeviceModel(CommandLineDeviceConfig config);

  void OnReceive(std::string_view bytes, DeviceLine& line) override;
  void OnTimer(DeviceLine& line) override;
  uint32_t DeviceBaud() const override { return baud_; }
  std::string Describe() const override;

  CommandLineDevice& device() { return device_; }
  const CommandLineDevice& device() const { return device_; }

 private:
  CommandLineDevice device_;
  uint32_t baud_ = 9600;
  std::optional<uint32_t> nextBaud_;
};

}  // namespace vesk::sim
