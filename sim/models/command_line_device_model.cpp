#include "models/command_line_device_model.h"

namespace vesk::sim {
namespace {

// The device finishes sending its "OK" before its UART changes speed.
constexpr std::chrono::milliseconds kBaudSwitchDelay(30);

}  // namespace

CommandLineDeviceModel::CommandLineDeviceModel(CommandLineDeviceConfig config)
    : device_(std::move(config)) {}

void CommandLineDeviceModel::OnReceive(std::string_view bytes, DeviceLine& line) {
  device_.Receive(bytes, line);
  if (const std::optional<uint32_t> rate = device_.TakeBaudChange()) {
    nextBaud_ = rate;
    line.WakeAt(line.Now() + kBaudSwitchDelay);
  }
}

void CommandLineDeviceModel::OnTimer(DeviceLine& /*line*/) {
  if (nextBaud_) {
    baud_ = *nextBaud_;
    nextBaud_.reset();
  }
}

std::string CommandLineDeviceModel::Describe() const {
  return device_.Describe(SimClock::now()) + "  baud = " + std::to_string(baud_) + "\n";
}

}  // namespace vesk::sim
