#include "device/device_name.h"

#include <array>

#include "device/protocol_codes.h"

namespace vesk {
namespace {

// Words the device's command line would take as a command; exact and case-sensitive.
constexpr std::array<std::string_view, 25> kReservedWords = {
    "ERROR", "Unsupported", "volt",   "show", "yes",  "hertz", "time", "dump", "erase",
    "login", "logout",      "query",  "help", "temp", "scan",  "term", "ping", "post",
    "get",   "set",         "teltst", "ack",  "nack", "OK",    "boot"};

constexpr std::string_view kPunctuation = "?\\\"/<>*|:;,";

}  // namespace

int CheckDeviceName(std::string_view text) {
  if (text.empty()) {
    return proto::kNameEmpty;
  }
  if (text.size() > kDeviceNameMax) {
    return proto::kNameTooLong;
  }
  for (std::string_view word : kReservedWords) {
    if (text == word) {
      return proto::kNameReserved;
    }
  }
  for (char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    if (c <= ' ' || c == 127 || c == 255) {
      return proto::kNameBadCharacter;
    }
    if (kPunctuation.find(ch) != std::string_view::npos) {
      return proto::kNameBadPunctuation;
    }
    if (c > 127) {
      return proto::kNameHighCharacter;
    }
  }
  return proto::kOk;
}

}  // namespace vesk
