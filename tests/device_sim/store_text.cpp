#include "store_text.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "device/answer_parsing.h"

namespace vesk::test {
namespace {

std::string Number(long value) {
  return std::to_string(value);
}

std::string Hex(int32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "%X", static_cast<unsigned>(value));
  return text;
}

std::string Degrees(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%+.5f", value);
  return text;
}

std::string Five(const Ports& values) {
  std::ostringstream out;
  for (size_t i = 0; i < values.size(); ++i) {
    out << (i ? " " : "") << int(values[i]);
  }
  return out.str();
}

Ports ReadFive(const std::string& text) {
  Ports values{};
  std::istringstream in(text);
  for (uint8_t& v : values) {
    int n = 0;
    in >> n;
    v = static_cast<uint8_t>(n);
  }
  return values;
}

bool ShortAdc(const DeviceInfo& info) {
  return (info.supportedMask & capability::kShortAdcCalibration) != 0;
}

std::string Adc(const DeviceInfo& info, const Ports& s, const Ports& o) {
  if (ShortAdc(info)) {
    return Number(s[0]) + " " + Number(o[0]) + " " + Number((s[0] + o[0]) % 256);
  }
  std::string text;
  for (size_t i = 0; i < 5; ++i) {
    text += Number(s[i]) + " " + Number(o[i]) + " ";
  }
  return text + Number(AdcCheckSum(s, o));
}

void SetAdc(const std::string& text, Ports& s, Ports& o) {
  std::istringstream in(text);
  std::vector<int> numbers;
  for (int n; in >> n;) {
    numbers.push_back(n);
  }
  s.fill(0);
  o.fill(0);
  for (size_t i = 0; i + 1 < numbers.size() && i / 2 < 5; i += 2) {
    s[i / 2] = static_cast<uint8_t>(numbers[i]);
    o[i / 2] = static_cast<uint8_t>(numbers[i + 1]);
  }
}

}  // namespace

uint32_t BitOfKey(const std::string& key) {
  static const std::pair<const char*, uint32_t> kBits[] = {
      {"i", setting::kName},         {"sn", setting::kSerialNumber},
      {"trait", setting::kTrait},    {"w", setting::kWake},
      {"ports", setting::kPorts},    {"padc", setting::kPadc},
      {"devid", setting::kDeviceId}, {"data", setting::kDataParameter},
      {"r", setting::kRmode},        {"rch", setting::kRch},
      {"rsch", setting::kRsch},      {"rver", setting::kRver},
      {"depth", setting::kDepth},    {"site", setting::kSite},
      {"lat", setting::kLatitude},   {"long", setting::kLongitude},
      {"tz", setting::kTimeZone},    {"apn", setting::kApn},
      {"user", setting::kApnUser},   {"passwd", setting::kApnPassword},
      {"host", setting::kHost},      {"authkey", setting::kAuthKey},
      {"ipport", setting::kIpPort},  {"report", setting::kReport},
      {"adc30", setting::kAdc30},    {"adc15", setting::kAdc15},
      {"build", setting::kBuild},
  };
  for (const auto& [name, bit] : kBits) {
    if (key == name) {
      return bit;
    }
  }
  return 0;
}

std::string StoreTextOf(const DeviceInfo& info, const std::string& key) {
  if (key == "i")
    return std::string(TextOf(info.name));
  if (key == "sn")
    return std::string(TextOf(info.sn));
  if (key == "devid")
    return std::string(TextOf(info.deviceid));
  if (key == "site")
    return std::string(TextOf(info.site));
  if (key == "build")
    return std::string(TextOf(info.VeskBuild));
  if (key == "apn")
    return std::string(TextOf(info.apn));
  if (key == "user")
    return std::string(TextOf(info.user));
  if (key == "passwd")
    return std::string(TextOf(info.passwd));
  if (key == "authkey")
    return std::string(TextOf(info.authkey));
  if (key == "host")
    return std::string(TextOf(info.host));
  if (key == "rver")
    return std::string(TextOf(info.rver));
  if (key == "trait")
    return Number(ReportedFromTrait(info.trait));
  if (key == "w")
    return Number(info.wake);
  if (key == "padc")
    return Number(info.padc);
  if (key == "data")
    return Number(info.data);
  if (key == "r")
    return Number(info.rmode);
  if (key == "tz")
    return Number(info.timezone);
  if (key == "report")
    return Number(info.report);
  if (key == "ipport")
    return Number(info.ipport);
  if (key == "rch")
    return Hex(info.rch);
  if (key == "rsch")
    return Hex(info.rsch);
  if (key == "lat")
    return Degrees(info.lat);
  if (key == "long")
    return Degrees(info.lon);
  if (key == "depth")
    return Five(info.depth);
  if (key == "ports")
    return Five(info.ports);
  if (key == "adc30")
    return Adc(info, info.adc30Slopes, info.adc30Offsets);
  if (key == "adc15")
    return Adc(info, info.adc15Slopes, info.adc15Offsets);
  throw std::invalid_argument("no store text for " + key);
}

void SetFromStoreText(DeviceInfo& info, const std::string& key, const std::string& text) {
  const long number = std::strtol(text.c_str(), nullptr, 10);
  const auto hex = static_cast<int32_t>(std::strtoul(text.c_str(), nullptr, 16));
  if (key == "i")
    CopyTruncated(info.name, text);
  else if (key == "sn")
    CopyTruncated(info.sn, text);
  else if (key == "devid")
    CopyTruncated(info.deviceid, text);
  else if (key == "site")
    CopyTruncated(info.site, text);
  else if (key == "build")
    CopyTruncated(info.VeskBuild, text);
  else if (key == "apn")
    CopyTruncated(info.apn, text);
  else if (key == "user")
    CopyTruncated(info.user, text);
  else if (key == "passwd")
    CopyTruncated(info.passwd, text);
  else if (key == "authkey")
    CopyTruncated(info.authkey, text);
  else if (key == "host")
    CopyTruncated(info.host, text);
  else if (key == "trait")
    info.trait = TraitFromReported(static_cast<int32_t>(number));
  else if (key == "w")
    info.wake = static_cast<int32_t>(number);
  else if (key == "padc")
    info.padc = static_cast<int32_t>(number);
  else if (key == "data")
    info.data = static_cast<int32_t>(number);
  else if (key == "r")
    info.rmode = static_cast<int32_t>(number);
  else if (key == "tz")
    info.timezone = static_cast<int32_t>(number);
  else if (key == "report")
    info.report = static_cast<int32_t>(number);
  else if (key == "ipport")
    info.ipport = static_cast<int32_t>(number);
  else if (key == "rch")
    info.rch = hex;
  else if (key == "rsch")
    info.rsch = hex;
  else if (key == "lat")
    info.lat = std::strtod(text.c_str(), nullptr);
  else if (key == "long")
    info.lon = std::strtod(text.c_str(), nullptr);
  else if (key == "depth")
    info.depth = ReadFive(text);
  else if (key == "ports")
    info.ports = ReadFive(text);
  else if (key == "adc30")
    SetAdc(text, info.adc30Slopes, info.adc30Offsets);
  else if (key == "adc15")
    SetAdc(text, info.adc15Slopes, info.adc15Offsets);
  else
    throw std::invalid_argument("no field for " + key);
}

int RunSetting(QUORL_Protocol& p, const std::string& key, int mode) {
  DeviceInfo& i = p.info;
  if (key == "i")
    return p.NameCommand(&i.name, mode);
  if (key == "sn")
    return p.SNCommand(&i.sn, mode);
  if (key == "devid")
    return p.DeviceIDCommand(&i.deviceid, mode);
  if (key == "site")
    return p.SiteCommand(&i.site, mode);
  if (key == "build")
    return p.VeskBuildCommand(&i.VeskBuild, mode);
  if (key == "apn")
    return p.APNCommand(&i.apn, mode);
  if (key == "user")
    return p.APNUserCommand(&i.user, mode);
  if (key == "passwd")
    return p.APNPasswdCommand(&i.passwd, mode);
  if (key == "authkey")
    return p.AuthKeyCommand(&i.authkey, mode);
  if (key == "host")
    return p.HostCommand(&i.host, mode);
  if (key == "trait")
    return p.TraitCommand(&i.trait, mode);
  if (key == "w")
    return p.WakeCommand(&i.wake, mode);
  if (key == "padc")
    return p.PADCCommand(&i.padc, mode);
  if (key == "data")
    return p.DataParameterCommand(&i.data, mode);
  if (key == "r")
    return p.RmodeCommand(&i.rmode, mode);
  if (key == "tz")
    return p.TimeZoneCommand(&i.timezone, mode);
  if (key == "report")
    return p.ReportCommand(&i.report, mode);
  if (key == "ipport")
    return p.IPPortCommand(&i.ipport, mode);
  if (key == "lat")
    return p.LatitudeCommand(&i.lat, mode);
  if (key == "long")
    return p.LongitudeCommand(&i.lon, mode);
  if (key == "depth")
    return p.DepthCommand(&i.depth, mode);
  if (key == "ports")
    return p.PortsCommand(&i.ports, mode);
  if (key == "adc30")
    return p.ADCcalCommand(kAdcSet30, &i.adc30Slopes, &i.adc30Offsets, mode);
  if (key == "adc15")
    return p.ADCcalCommand(kAdcSet15, &i.adc15Slopes, &i.adc15Offsets, mode);
  if (key == "rch" || key == "rsch" || key == "rver") {
    uint32_t mask = BitOfKey(key);
    return p.MSRadioCommand(&i.rch, &i.rsch, &i.rver, mode, &mask);
  }
  throw std::invalid_argument("no command for " + key);
}

}  // namespace vesk::test
