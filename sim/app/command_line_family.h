// veskbsl-sim's command-line devices: loggers, readers and communication devices cabled to the
// port, and an Rvan reached through a Wq3 radio modem.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/device_family.h"

namespace vesk::sim {

class CommandLineFamily final : public DeviceFamily {
 public:
  std::vector<std::pair<std::string, std::string>> Devices() const override;
  void AddOptions(CLI::App& app) override;
  std::unique_ptr<DeviceModel> Make(const std::string& device) override;

 private:
  std::string name_;
  std::string version_;
  bool echo_ = false;
  int silentAfter_ = 0;
  int silentFor_ = 0;
  bool dataFlashFails_ = false;
  std::string bootLoader_;
  std::vector<std::string> refused_;
  bool relay_ = false;
  int wakeReturns_ = 200;
};

}  // namespace vesk::sim
