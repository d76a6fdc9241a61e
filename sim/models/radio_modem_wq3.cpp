#include "models/radio_modem_wq3.h"

#include <cstdio>
#include <cstdlib>

namespace vesk::sim {
namespace {

std::string Hex(uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "%X", value);
  return text;
}

// The number after an AT command's letters, in hexadecimal; nothing when there is none.
bool ParseHexArgument(const std::string& text, uint32_t* value) {
  if (text.empty()) {
    return false;
  }
  char* end = nullptr;
  const unsigned long parsed = std::strtoul(text.c_str(), &end, 16);
  if (end == text.c_str() || *end != '\0' || parsed > 0xFFFFFFFFul) {
    return false;
  }
  *value = static_cast<uint32_t>(parsed);
  return true;
}

}  // namespace

std::string Wq3Modem::Receive(std::string_view bytes, DeviceLine& line) {
  std::string air;
  for (char c : bytes) {
    if (!commandMode_) {
      pending_.push_back(c);
      if (pending_.size() >= 3 && pending_.compare(pending_.size() - 3, 3, "+++") == 0) {
        air.append(pending_, 0, pending_.size() - 3);
        pending_.clear();
        commandMode_ = true;
        line.Send("OK\r");
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
    const std::string command = std::move(pending_);
    pending_.clear();
    HandleCommand(command, line);
  }
  // Hold back a possible start of "+++"; everything before it is data for the air.
  if (!commandMode_) {
    size_t keep = 0;
    while (keep < pending_.size() && keep < 2 && pending_[pending_.size() - 1 - keep] == '+') {
      ++keep;
    }
    air.append(pending_, 0, pending_.size() - keep);
    pending_.erase(0, pending_.size() - keep);
  }
  return air;
}

void Wq3Modem::HandleCommand(const std::string& command, DeviceLine& line) {
  if (command.empty()) {
    return;
  }
  commands_.push_back(command);
  uint32_t value = 0;
  if (command.rfind("ATHP", 0) == 0) {
    const std::string argument = command.substr(4);
    if (argument.empty()) {
      line.Send(Hex(settings_.rch) + "\r");
    } else if (ParseHexArgument(argument, &value)) {
      settings_.rch = value;
      line.Send("OK\r");
    } else {
      line.Send("ERROR\r");
    }
  } else if (command.rfind("ATDT", 0) == 0) {
    const std::string argument = command.substr(4);
    if (argument.empty()) {
      line.Send(Hex(settings_.rsch) + "\r");
    } else if (ParseHexArgument(argument, &value)) {
      settings_.rsch = value;
      line.Send("OK\r");
    } else {
      line.Send("ERROR\r");
    }
  } else if (command == "ATWR") {
    ++saves_;
    line.Send("OK\r");
  } else if (command == "ATVR") {
    line.Send(settings_.version + "\r");
  } else if (command == "ATCN") {
    commandMode_ = false;
    line.Send("OK\r");
  } else {
    line.Send("ERROR\r");
  }
}

}  // namespace vesk::sim
