// The Wq3 radio modem's Hayes-style command mode: "+++" enters it (answered "OK"), AT commands
// read or program the radio channel (ATHP) and sub-channel (ATDT), ATWR saves, ATVR reports the
// radio version and ATCN returns to data mode, where bytes go over the air.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "framework/device_model.h"

namespace vesk::sim {

struct Wq3Settings {
  uint32_t rch = 3;
  uint32_t rsch = 0x1A2B;
  std::string version = "2A13";
};

class Wq3Modem {
 public:
  explicit Wq3Modem(Wq3Settings settings = {}) : settings_(std::move(settings)) {}

  // In command mode the bytes are AT commands, answered on `line`; in data mode "+++" enters
  // command mode and every other byte is returned, to go over the air.
  std::string Receive(std::string_view bytes, DeviceLine& line);

  bool commandMode() const { return commandMode_; }
  const Wq3Settings& settings() const { return settings_; }
  int saves() const { return saves_; }
  // The AT commands heard, without their carriage returns.
  const std::vector<std::string>& commands() const { return commands_; }

 private:
  void HandleCommand(const std::string& command, DeviceLine& line);

  Wq3Settings settings_;
  bool commandMode_ = false;
  std::string pending_;
  int saves_ = 0;
  std::vector<std::string> commands_;
};

}  // namespace vesk::sim
