#include "cli/commands/info_report.h"

#include <cstdio>
#include <functional>
#include <sstream>
#include <vector>

#include "device/protocol_device_type.h"

namespace vesk::cli {
namespace {

using nlohmann::json;

json Array(const Ports& values) {
  json array = json::array();
  for (uint8_t v : values) {
    array.push_back(v);
  }
  return array;
}

std::string Five(const Ports& values) {
  char text[32];
  std::snprintf(text, sizeof text, "%u %u %u %u %u", values[0], values[1], values[2], values[3],
                values[4]);
  return text;
}

std::string Degrees(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%+.5f", value);
  return text;
}

// One setting: its settings-file key, its bit, and its value for JSON and for people.
struct Entry {
  const char* key;
  uint32_t bit;
  std::function<json(const DeviceInfo&)> value;
  std::function<std::string(const DeviceInfo&)> text;
};

Entry Text(const char* key, uint32_t bit, std::string_view (*field)(const DeviceInfo&)) {
  return {key, bit, [field](const DeviceInfo& i) { return json(std::string(field(i))); },
          [field](const DeviceInfo& i) { return std::string(field(i)); }};
}

Entry Number(const char* key, uint32_t bit, int64_t (*field)(const DeviceInfo&)) {
  return {key, bit, [field](const DeviceInfo& i) { return json(field(i)); },
          [field](const DeviceInfo& i) { return std::to_string(field(i)); }};
}

Entry List(const char* key, uint32_t bit, const Ports& (*field)(const DeviceInfo&)) {
  return {key, bit, [field](const DeviceInfo& i) { return Array(field(i)); },
          [field](const DeviceInfo& i) { return Five(field(i)); }};
}

Entry Position(const char* key, uint32_t bit, double (*field)(const DeviceInfo&)) {
  return {key, bit, [field](const DeviceInfo& i) { return json(field(i)); },
          [field](const DeviceInfo& i) { return Degrees(field(i)); }};
}

// In the settings file's order.
const std::vector<Entry>& Entries() {
  static const std::vector<Entry> entries = {
      Text("deviceid", setting::kDeviceId, [](const DeviceInfo& i) { return TextOf(i.deviceid); }),
      Text("name", setting::kName, [](const DeviceInfo& i) { return TextOf(i.name); }),
      Text("sn", setting::kSerialNumber, [](const DeviceInfo& i) { return TextOf(i.sn); }),
      Number("trait", setting::kTrait, [](const DeviceInfo& i) { return int64_t{i.trait}; }),
      Number("wake", setting::kWake, [](const DeviceInfo& i) { return int64_t{i.wake}; }),
      Number("padc", setting::kPadc, [](const DeviceInfo& i) { return int64_t{i.padc}; }),
      List("ports", setting::kPorts, [](const DeviceInfo& i) -> const Ports& { return i.ports; }),
      List("depth", setting::kDepth, [](const DeviceInfo& i) -> const Ports& { return i.depth; }),
      List("ADC15 slopes", setting::kAdc15,
           [](const DeviceInfo& i) -> const Ports& { return i.adc15Slopes; }),
      List("ADC15 offsets", setting::kAdc15,
           [](const DeviceInfo& i) -> const Ports& { return i.adc15Offsets; }),
      List("ADC30 slopes", setting::kAdc30,
           [](const DeviceInfo& i) -> const Ports& { return i.adc30Slopes; }),
      List("ADC30 offsets", setting::kAdc30,
           [](const DeviceInfo& i) -> const Ports& { return i.adc30Offsets; }),
      Number("rmode", setting::kRmode, [](const DeviceInfo& i) { return int64_t{i.rmode}; }),
      Number("rch", setting::kRch, [](const DeviceInfo& i) { return int64_t{i.rch}; }),
      Number("rsch", setting::kRsch, [](const DeviceInfo& i) { return int64_t{i.rsch}; }),
      // The radio's version is no setting the file keeps, but it was read and people ask for it.
      Text("rver", setting::kRver, [](const DeviceInfo& i) { return TextOf(i.rver); }),
      Number("data", setting::kDataParameter, [](const DeviceInfo& i) { return int64_t{i.data}; }),
      Text("site", setting::kSite, [](const DeviceInfo& i) { return TextOf(i.site); }),
      Position("lat", setting::kLatitude, [](const DeviceInfo& i) { return i.lat; }),
      Position("lon", setting::kLongitude, [](const DeviceInfo& i) { return i.lon; }),
      Number("timezone", setting::kTimeZone,
             [](const DeviceInfo& i) { return int64_t{i.timezone}; }),
      Number("report", setting::kReport, [](const DeviceInfo& i) { return int64_t{i.report}; }),
      Text("apn", setting::kApn, [](const DeviceInfo& i) { return TextOf(i.apn); }),
      Text("user", setting::kApnUser, [](const DeviceInfo& i) { return TextOf(i.user); }),
      Text("passwd", setting::kApnPassword, [](const DeviceInfo& i) { return TextOf(i.passwd); }),
      Text("host", setting::kHost, [](const DeviceInfo& i) { return TextOf(i.host); }),
      Text("authkey", setting::kAuthKey, [](const DeviceInfo& i) { return TextOf(i.authkey); }),
      Number("ipport", setting::kIpPort, [](const DeviceInfo& i) { return int64_t{i.ipport}; }),
      Text("VeskBuild", setting::kBuild, [](const DeviceInfo& i) { return TextOf(i.VeskBuild); }),
  };
  return entries;
}

std::string TypeName(const DeviceInfo& info) {
  // An old-firmware Rva is recognised by its refusal alone and never gets a name from an answer.
  const std::string_view name = TextOf(info.typeName);
  return name.empty() ? ProtocolDeviceTypeName(info.typeCode) : std::string(name);
}

std::string HexMask(uint32_t mask) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%X", mask);
  return text;
}

}  // namespace

json IdentityJson(const DeviceInfo& info) {
  return {{"type", TypeName(info)},
          {"typeCode", info.typeCode},
          {"versionText", std::string(TextOf(info.versionText))},
          {"version", info.version},
          {"name", std::string(TextOf(info.name))},
          {"serialNumber", std::string(TextOf(info.sn))},
          {"supportedMask", info.supportedMask},
          {"capabilities", CapabilityNames(info.supportedMask)}};
}

json SettingsJson(const DeviceInfo& info, uint32_t read) {
  json settings = json::object();
  for (const Entry& entry : Entries()) {
    if ((read & entry.bit) != 0) {
      settings[entry.key] = entry.value(info);
    }
  }
  return settings;
}

std::string IdentityText(const DeviceInfo& info) {
  std::ostringstream out;
  out << "Device:        " << TypeName(info) << " (type " << int(info.typeCode) << ")\n";
  out << "Name:          " << TextOf(info.name) << "\n";
  out << "Serial number: " << TextOf(info.sn) << "\n";
  out << "Version:       " << TextOf(info.versionText) << " (" << info.version << ")\n";
  out << "Capabilities:  " << HexMask(info.supportedMask);
  const std::vector<std::string> names = CapabilityNames(info.supportedMask);
  for (size_t i = 0; i < names.size(); ++i) {
    out << (i == 0 ? ": " : ", ") << names[i];
  }
  out << "\n";
  return out.str();
}

std::string SettingsText(const DeviceInfo& info, uint32_t read) {
  std::ostringstream out;
  for (const Entry& entry : Entries()) {
    if ((read & entry.bit) != 0) {
      char key[20];
      std::snprintf(key, sizeof key, "%-15s", entry.key);
      out << "  " << key << entry.text(info) << "\n";
    }
  }
  return out.str();
}

}  // namespace vesk::cli
