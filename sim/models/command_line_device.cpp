#include "models/command_line_device.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <sstream>

namespace vesk::sim {
namespace {

constexpr int64_t kVeskEpoch = 946684800;
constexpr int64_t kSecondsPerDay = 86400;

bool StartsWith(const std::string& text, std::string_view prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

// "set -baud" codes.
std::optional<uint32_t> RateOfCode(int code) {
  static constexpr uint32_t kRates[] = {9600, 19200, 38400, 57600, 115200, 230400, 460800};
  if (code < 0 || code > 6) {
    return std::nullopt;
  }
  return kRates[code];
}

std::tm CalendarOf(int64_t veskSeconds) {
  const std::time_t t = static_cast<std::time_t>(veskSeconds + kVeskEpoch);
  std::tm fields{};
  gmtime_r(&t, &fields);
  return fields;
}

int64_t VeskSecondsOf(std::tm fields) {
  return static_cast<int64_t>(timegm(&fields)) - kVeskEpoch;
}

}  // namespace

std::string Printable(std::string_view bytes) {
  std::string text;
  for (char c : bytes) {
    if (c == '\r') {
      text += "\\r";
    } else if (c == '\n') {
      text += "\\n";
    } else if (static_cast<unsigned char>(c) < 32 || static_cast<unsigned char>(c) > 126) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", static_cast<unsigned char>(c));
      text += hex;
    } else {
      text += c;
    }
  }
  return text;
}

CommandLineDevice::CommandLineDevice(CommandLineDeviceConfig config)
    : config_(std::move(config)), terminalModem_(config_.terminalModem) {
  clockBase_ = config_.clockSeconds;
  if (config_.radioRemote) {
    radioState_ = config_.startAwake ? RadioState::kAwake : RadioState::kAsleep;
  }
}

std::optional<uint32_t> CommandLineDevice::TakeBaudChange() {
  std::optional<uint32_t> change = baudChange_;
  baudChange_.reset();
  return change;
}

int64_t CommandLineDevice::ClockNow(SimClock::time_point now) const {
  if (!clockSetAt_) {
    return clockBase_;
  }
  return clockBase_ + std::chrono::duration_cast<std::chrono::seconds>(now - *clockSetAt_).count();
}

void CommandLineDevice::SetClock(int64_t seconds, SimClock::time_point now) {
  clockBase_ = seconds;
  clockSetAt_ = now;
}

std::string CommandLineDevice::ClockText(SimClock::time_point now) const {
  const std::tm f = CalendarOf(ClockNow(now));
  char text[48];
  std::snprintf(text, sizeof text, "%d-%d-%d %d:%02d:%02d", f.tm_year + 1900, f.tm_mon + 1,
                f.tm_mday, f.tm_hour, f.tm_min, f.tm_sec);
  return text;
}

void CommandLineDevice::Receive(std::string_view bytes, DeviceLine& line) {
  if (!clockSetAt_) {
    clockSetAt_ = line.Now();  // the clock runs from the first contact
  }
  if (config_.bootLoader == BootLoaderState::kWaiting) {
    for (char c : bytes) {
      if (c == '\r') {
        line.Send("$");
      }
    }
    return;
  }
  if (terminal_) {
    // The old Rva hands everything to its modem until "term" comes back through in data mode.
    pending_ += terminalModem_.Receive(bytes, line);
    if (pending_.find("term\r") != std::string::npos) {
      pending_.clear();
      terminal_ = false;
      line.Send("\r>");
    }
    return;
  }
  for (char c : bytes) {
    if (config_.radioRemote && radioState_ == RadioState::kAsleep) {
      // Asleep, the radio only notices a long run of carriage returns.
      if (c == '\r' && ++wakeCount_ >= config_.wakeCarriageReturns) {
        radioState_ = RadioState::kAwake;
        wakeCount_ = 0;
      }
      continue;
    }
    if (c == '\n') {
      continue;
    }
    if (c != '\r') {
      pending_.push_back(c);
      continue;
    }
    std::string command = std::move(pending_);
    pending_.clear();
    HandleLine(std::move(command), line);
    if (terminal_) {
      return;
    }
  }
}

bool CommandLineDevice::Silent() {
  if (!config_.silentAfterCommands || commands_ <= *config_.silentAfterCommands) {
    return false;
  }
  return config_.silentForCommands == 0 ||
         commands_ <= *config_.silentAfterCommands + config_.silentForCommands;
}

void CommandLineDevice::HandleLine(std::string command, DeviceLine& out) {
  if (command.empty()) {
    return;
  }
  lines_.push_back(command);
  if (config_.bootLoader == BootLoaderState::kActive) {
    out.Send(command[0] == 'g' ? "+" + std::to_string(config_.bootLoaderVersion) + "+\r"
                               : std::string("?\r"));
    return;
  }
  if (config_.radioRemote && radioState_ != RadioState::kLoggedIn) {
    HandleRadioIdle(command, out);
    return;
  }
  ++commands_;
  if (Silent()) {
    return;
  }
  std::string answer;
  bool faulted = false;
  for (CommandFault& fault : config_.faults) {
    if (fault.times != 0 && StartsWith(command, fault.command)) {
      answer = fault.answer;
      if (fault.times > 0) {
        --fault.times;
      }
      faulted = true;
      break;
    }
  }
  if (!faulted) {
    answer = Answer(command, out.Now());
  }
  if (config_.echoCommands) {
    answer = command + "\r" + answer;
  }
  if (!answer.empty()) {
    out.Send(answer);
  }
}

void CommandLineDevice::HandleRadioIdle(const std::string& command, DeviceLine& out) {
  const std::string name = config_.settings.count("i") ? config_.settings.at("i") : "";
  if (command == "query") {
    out.Send(name + "\r>");
  } else if (command == "login" || command == "login " + name) {
    radioState_ = RadioState::kLoggedIn;
    out.Send("\r\r>");
  }
  // Anything else is traffic for another device.
}

std::string CommandLineDevice::Ok() const {
  return config_.oldFirmware ? "\r>" : "\rOK\r>";
}

std::string CommandLineDevice::Answer(const std::string& command, SimClock::time_point now) {
  if (config_.oldFirmware) {
    bool handled = false;
    std::string answer = AnswerOld(command, now, &handled);
    if (handled) {
      return answer;
    }
  }
  if (command == "get -ver") {
    return "\r" + config_.versionWord + " " + config_.versionNumber + "\r>";
  }
  if (std::optional<std::string> answer = AnswerService(command)) {
    return *answer;
  }
  if (StartsWith(command, "get -")) {
    return AnswerGet(command.substr(5), now);
  }
  if (StartsWith(command, "set -")) {
    const size_t space = command.find(' ', 5);
    const std::string option =
        command.substr(5, space == std::string::npos ? std::string::npos : space - 5);
    const std::string value = space == std::string::npos ? "" : command.substr(space + 1);
    return AnswerSet(option, value, now);
  }
  if (command == "login" || StartsWith(command, "login ")) {
    return "\r\r>";
  }
  if (command == "logout") {
    serviceLoggedIn_ = false;
    if (config_.radioRemote) {
      radioState_ = RadioState::kAsleep;
      return "";  // gone back to sleep; nothing more is heard from it
    }
    return "\rOK\r>";
  }
  if (command == "yes") {
    const char* end = config_.oldFirmware ? "!\r>" : "\r>";
    if (config_.dataFlashFails) {
      return std::string("\rDataFlash FAIL") + end;
    }
    ++erases_;
    return std::string("\rData erased OK") + end;
  }
  return "\r?\r>";
}

std::string CommandLineDevice::AnswerOld(const std::string& command, SimClock::time_point now,
                                         bool* handled) {
  *handled = true;
  auto setting = [this](const char* key) {
    auto it = config_.settings.find(key);
    return it == config_.settings.end() ? std::string() : it->second;
  };
  if (command == "get -ver") {
    return "\r?\r>";  // this firmware predates the version question
  }
  if (command == "show") {
    return "\rID: " + setting("i") + "\rVersion: " + config_.versionNumber +
           "\rRadio: " + setting("r") + "\rWake: " + setting("w") +
           "\rResets: " + std::to_string(config_.resets) + "\r>";
  }
  if (command == "hertz" && config_.settings.count("padc")) {
    return "\r" + setting("padc") + "\r>";
  }
  if (command == "time") {
    return "\rDate\\Time: " + ClockText(now) + "\r>";
  }
  if (StartsWith(command, "set -p ") && config_.settings.count("padc")) {
    config_.settings["padc"] = command.substr(7);
    return "\r>";
  }
  if (command == "term") {
    terminal_ = true;
    return "";
  }
  *handled = false;
  return "";
}

std::optional<std::string> CommandLineDevice::AnswerService(const std::string& command) {
  if (StartsWith(command, "login *")) {
    // The access code, unlike a device name, opens the service level and is confirmed.
    serviceLoggedIn_ = command.substr(7) == config_.accessCode;
    return serviceLoggedIn_ ? std::string("\rOK\r>") : std::string("\rERROR\r>");
  }
  if (command == "get -batt" && config_.batteryPercent) {
    return "\r" + std::to_string(*config_.batteryPercent) + "\r>";
  }
  if (command == "get -hver" && config_.hardwareRevision != '\0') {
    return std::string("\r") + config_.hardwareRevision + "\r>";
  }
  if (command == "post" || command == "post -init") {
    return config_.firmwareCorrupt ? std::string("\rCode Corrupt!\r>")
                                   : std::string("\rCode Good!\r>");
  }
  return std::nullopt;
}

std::string CommandLineDevice::AnswerGet(const std::string& option, SimClock::time_point now) {
  if (option == "sec" && config_.clock == DeviceClock::kSeconds) {
    return "\r" + std::to_string(ClockNow(now)) + "\r>";
  }
  if (option == "t" && config_.clock == DeviceClock::kTimeAndDate) {
    return "\rDate\\Time: " + ClockText(now) + "\r>";
  }
  const bool radioOption = option == "rch" || option == "rsch" || option == "rver";
  auto it = config_.settings.find(option);
  if (radioOption && it != config_.settings.end()) {
    if (!config_.radioFitted) {
      return "\rNo Radio\r>";
    }
    return "\rOK\r" + it->second + "\r>";
  }
  if (it == config_.settings.end()) {
    return "\rUnsupported\r>";
  }
  return "\r" + it->second + "\r>";
}

std::string CommandLineDevice::AnswerSet(const std::string& option, const std::string& value,
                                         SimClock::time_point now) {
  if (option == "baud") {
    const std::optional<uint32_t> rate = RateOfCode(std::atoi(value.c_str()));
    if (!rate) {
      return "\rERROR\r>";
    }
    baudChange_ = *rate;
    return "\rOK\r>";
  }
  if (option == "sec" && config_.clock == DeviceClock::kSeconds) {
    SetClock(std::strtoll(value.c_str(), nullptr, 10), now);
    return Ok();
  }
  if (option == "t" && config_.clock == DeviceClock::kTimeAndDate) {
    int h = 0, m = 0, s = 0;
    if (std::sscanf(value.c_str(), "%d:%d:%d", &h, &m, &s) != 3) {
      return "\rERROR\r>";
    }
    const int64_t current = ClockNow(now);
    const int64_t day = current - ((current % kSecondsPerDay) + kSecondsPerDay) % kSecondsPerDay;
    SetClock(day + h * 3600 + m * 60 + s, now);
    return Ok();
  }
  if (option == "d" && config_.clock == DeviceClock::kTimeAndDate) {
    std::tm fields = CalendarOf(ClockNow(now));
    int y = 0, mo = 0, d = 0;
    if (std::sscanf(value.c_str(), "%d-%d-%d", &y, &mo, &d) != 3) {
      return "\rERROR\r>";
    }
    fields.tm_year = y - 1900;
    fields.tm_mon = mo - 1;
    fields.tm_mday = d;
    SetClock(VeskSecondsOf(fields), now);
    return Ok();
  }
  auto it = config_.settings.find(option);
  if (it == config_.settings.end() || option == "rver") {
    return "\rUnsupported\r>";
  }
  if (option == "rch" || option == "rsch") {
    if (!config_.radioFitted) {
      return "\rNo Radio\r>";
    }
    it->second = value;
    // The Rva passes the setting on to its radio modem and reports both answers.
    return config_.versionWord == "RVA" ? "\rOK\r\rOK\r>" : "\rOK\r>";
  }
  it->second = value;
  return Ok();
}

std::string CommandLineDevice::Describe(SimClock::time_point now) const {
  std::ostringstream out;
  out << config_.kind << " (" << config_.versionWord << " " << config_.versionNumber << ")\n";
  for (const auto& [key, value] : config_.settings) {
    out << "  " << key << " = \"" << value << "\"\n";
  }
  if (config_.clock != DeviceClock::kNone) {
    out << "  clock = " << ClockNow(now) << " VeskSeconds (" << ClockText(now) << ")\n";
  }
  out << "  erases = " << erases_ << ", commands = " << commands_ << "\n";
  return out.str();
}

}  // namespace vesk::sim
