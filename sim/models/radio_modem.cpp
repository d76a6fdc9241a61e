#include "models/radio_modem.h"

#include <sstream>

namespace vesk::sim {
namespace {

CommandLineDeviceConfig AsRadioRemote(CommandLineDeviceConfig device) {
  device.radioRemote = true;
  return device;
}

}  // namespace

RadioModemModel::RadioModemModel(RadioModemConfig config, CommandLineDeviceConfig device)
    : config_(std::move(config)),
      modem_(config_.modem),
      device_(AsRadioRemote(std::move(device))) {}

bool RadioModemModel::SameChannel() const {
  return modem_.settings().rch == config_.deviceRch && modem_.settings().rsch == config_.deviceRsch;
}

void RadioModemModel::OnReceive(std::string_view bytes, DeviceLine& line) {
  const std::string data = modem_.Receive(bytes, line);
  if (data.empty()) {
    return;
  }
  air_ += data;
  if (config_.relayRepeatsQuery && data.find("query") != std::string::npos) {
    line.Send("\rquery\r");
  }
  if (SameChannel()) {
    device_.Receive(data, line);
  }
}

std::string RadioModemModel::Describe() const {
  std::ostringstream out;
  out << "Wq3 modem: rch " << modem_.settings().rch << ", rsch " << modem_.settings().rsch
      << (modem_.commandMode() ? ", in command mode" : "") << "\n";
  out << "Remote device on rch " << config_.deviceRch << ", rsch " << config_.deviceRsch << ": "
      << device_.Describe(SimClock::now());
  return out.str();
}

}  // namespace vesk::sim
