// The firmware side of a logger's, reader's or communication device's command line: it takes
// command lines ending in a carriage return and answers each with text and its prompt '>'.
//
// One configurable engine plays every kind (Rvan, Rvak, old and new Rva, Keldrum, Keldwave, gX2,
// OVT9, Pelmirat, the QUORL communication device and calibrator; see command_line_device_kinds.h).
// Its settings live in a store keyed by the command's option ("w" for "get -w", "i" for the
// name); the get and set commands read and write that store, so a test can compare it before and
// after. CommandLineDeviceModel serves the engine on a serial line; RadioModemModel puts it behind
// a Wq3 radio modem.
#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "framework/device_model.h"
#include "models/radio_modem_wq3.h"

namespace vesk::sim {

enum class DeviceClock {
  kNone,
  kSeconds,      // "get -sec" / "set -sec" in VeskSeconds
  kTimeAndDate,  // "get -t" / "set -t" and "set -d"
};

// What answers instead of the firmware's command line.
enum class BootLoaderState {
  kNone,
  kWaiting,  // waits for a connection: '$' to every carriage return
  kActive,   // connected: "+<version>+" to a version request, '?' to anything else
};

// A command answered differently, `times` times (or always when negative): for example
// {"get -w", "\rERROR\r>"} or an empty answer {"get -i", "\r\r>"}.
struct CommandFault {
  std::string command;  // matched against the start of the line
  std::string answer;
  int times = -1;
};

struct CommandLineDeviceConfig {
  std::string kind;           // for Describe(): "rvan", "gx2", ...
  std::string versionWord;    // "RVAN"
  std::string versionNumber;  // "2.02"
  bool oldFirmware = false;   // refuses "get -ver", answers "show" (the first Rva)
  // Option -> value; only options present here are known to the device.
  std::map<std::string, std::string> settings;
  bool radioFitted = true;  // a device without a radio answers its radio options "No Radio"
  DeviceClock clock = DeviceClock::kNone;
  int64_t clockSeconds = 0;  // the device clock (VeskSeconds) when the simulator starts
  int resets = 3;
  bool dataFlashFails = false;  // the erase confirmation reports "DataFlash FAIL"

  // Service commands. The battery answers "get -batt" in percent (nothing: the device does not
  // know the command); the power-on test ("post", "post -init") reports good or corrupt code;
  // "login *<accessCode>" opens the service level, "logout" closes it again.
  std::optional<int> batteryPercent = 87;
  bool firmwareCorrupt = false;
  std::string accessCode = "7319";
  // The reader's hardware revision letter, answered to "get -hver" ('\0': the device has none).
  char hardwareRevision = '\0';
  // An old Rva talks to its own radio modem in terminal mode ("term").
  Wq3Settings terminalModem;

  // Faults.
  bool echoCommands = false;  // every line is sent back before its answer
  std::vector<CommandFault> faults;
  // After this many command lines the device hears nothing for `silentForCommands` lines
  // (0: for good), as when it resets or a cable is pulled.
  std::optional<int> silentAfterCommands;
  int silentForCommands = 0;
  BootLoaderState bootLoader = BootLoaderState::kNone;
  int bootLoaderVersion = 201;  // what a connected boot loader reports to a version request

  // Reached over the radio: asleep until woken by carriage returns, then it answers only
  // "query" and a login by its name until logged in; "logout" puts it back to sleep silently.
  bool radioRemote = false;
  int wakeCarriageReturns = 200;
  bool startAwake = false;
};

class CommandLineDevice {
 public:
  explicit CommandLineDevice(CommandLineDeviceConfig config);

  // Bytes from the host (directly, or over the air); answers go out on `line`.
  void Receive(std::string_view bytes, DeviceLine& line);

  // The rate asked for by the last "set -baud", once; the model switches after answering.
  std::optional<uint32_t> TakeBaudChange();

  enum class RadioState { kAsleep, kAwake, kLoggedIn };

  const CommandLineDeviceConfig& config() const { return config_; }
  const std::map<std::string, std::string>& settings() const { return config_.settings; }
  std::map<std::string, std::string>& settings() { return config_.settings; }
  // The device clock now, in VeskSeconds.
  int64_t ClockNow(SimClock::time_point now) const;
  int erases() const { return erases_; }
  bool serviceLoggedIn() const { return serviceLoggedIn_; }
  int commands() const { return commands_; }
  RadioState radioState() const { return radioState_; }
  const std::vector<std::string>& lines() const { return lines_; }
  const Wq3Modem& terminalModem() const { return terminalModem_; }
  void SetBootLoader(BootLoaderState state) { config_.bootLoader = state; }
  std::string Describe(SimClock::time_point now) const;

 private:
  void HandleLine(std::string line, DeviceLine& line_out);
  void HandleRadioIdle(const std::string& line, DeviceLine& out);
  std::string Answer(const std::string& line, SimClock::time_point now);
  std::string AnswerGet(const std::string& option, SimClock::time_point now);
  std::string AnswerSet(const std::string& option, const std::string& value,
                        SimClock::time_point now);
  std::string AnswerOld(const std::string& line, SimClock::time_point now, bool* handled);
  // The service commands: access-code login, battery, power-on test, hardware revision.
  std::optional<std::string> AnswerService(const std::string& line);
  std::string ClockText(SimClock::time_point now) const;
  void SetClock(int64_t seconds, SimClock::time_point now);
  bool Silent();
  std::string Ok() const;

  CommandLineDeviceConfig config_;
  std::string pending_;
  std::vector<std::string> lines_;
  int commands_ = 0;
  int erases_ = 0;
  bool serviceLoggedIn_ = false;
  std::optional<uint32_t> baudChange_;
  RadioState radioState_ = RadioState::kLoggedIn;
  int wakeCount_ = 0;
  bool terminal_ = false;
  Wq3Modem terminalModem_;
  int64_t clockBase_ = 0;
  std::optional<SimClock::time_point> clockSetAt_;
};

// Describes the answer bytes readably for Describe() and test failure messages.
std::string Printable(std::string_view bytes);

}  // namespace vesk::sim
