#include "app/command_line_family.h"

#include "models/command_line_device_kinds.h"
#include "models/command_line_device_model.h"
#include "models/radio_modem.h"

namespace vesk::sim {
namespace {

constexpr const char* kRadioDevice = "radio-rvan";

}  // namespace

std::vector<std::pair<std::string, std::string>> CommandLineFamily::Devices() const {
  std::vector<std::pair<std::string, std::string>> devices = CommandLineDeviceKinds();
  devices.emplace_back(kRadioDevice,
                       "Wq3 radio modem; a sleeping Rvan on rch 3, rsch 1A2B answers over the air");
  return devices;
}

void CommandLineFamily::AddOptions(CLI::App& app) {
  auto* group = app.add_option_group("Command-line devices",
                                     "Options of the loggers, readers and radio-rvan");
  group->add_option("--device-name", name_, "The device's name (\"get -i\")");
  group->add_option("--firmware-version", version_, "The version it reports, e.g. 2.02");
  group->add_flag("--echo-commands", echo_, "Send every command line back before its answer");
  group->add_option("--silent-after-commands", silentAfter_,
                    "Hear nothing after this many command lines");
  group->add_option("--silent-for-commands", silentFor_,
                    "...for this many lines, then answer again (0: for good)");
  group->add_flag("--data-flash-fail", dataFlashFails_,
                  "Answer the erase confirmation with \"DataFlash FAIL\"");
  group
      ->add_option("--boot-loader", bootLoader_,
                   "Answer as the resident boot loader instead: waiting or active")
      ->check(CLI::IsMember({"waiting", "active"}));
  group->add_option("--refuse", refused_, "Answer this command (e.g. \"get -w\") with ERROR");
  group->add_flag("--relay", relay_, "radio-rvan: a relay on the channel repeats every query");
  group->add_option("--wake-returns", wakeReturns_,
                    "radio-rvan: carriage returns the sleeping device needs to wake");
}

std::unique_ptr<DeviceModel> CommandLineFamily::Make(const std::string& device) {
  const bool radio = device == kRadioDevice;
  std::optional<CommandLineDeviceConfig> config =
      CommandLineDevicePreset(radio ? std::string("rvan") : device);
  if (!config) {
    return nullptr;
  }
  if (!name_.empty()) {
    config->settings["i"] = name_;
  }
  if (!version_.empty()) {
    config->versionNumber = version_;
  }
  config->echoCommands = echo_;
  if (silentAfter_ > 0) {
    config->silentAfterCommands = silentAfter_;
    config->silentForCommands = silentFor_;
  }
  config->dataFlashFails = dataFlashFails_;
  if (bootLoader_ == "waiting") {
    config->bootLoader = BootLoaderState::kWaiting;
  } else if (bootLoader_ == "active") {
    config->bootLoader = BootLoaderState::kActive;
  }
  for (const std::string& command : refused_) {
    config->faults.push_back({command, "\rERROR\r>", -1});
  }
  if (radio) {
    config->wakeCarriageReturns = wakeReturns_;
    RadioModemConfig modem;
    modem.relayRepeatsQuery = relay_;
    return std::make_unique<RadioModemModel>(modem, std::move(*config));
  }
  return std::make_unique<CommandLineDeviceModel>(std::move(*config));
}

}  // namespace vesk::sim
