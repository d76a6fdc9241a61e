#include "models/command_line_device_kinds.h"

#include <algorithm>

namespace vesk::sim {
namespace {

// 2016-05-01 12:00:00 on the device's clock.
constexpr int64_t kStartClock = 515419200;

using Settings = std::map<std::string, std::string>;

// Settings every logger of the newer generation keeps (Rvan from 2.00, gX2, OVT9).
Settings LoggerIdentity() {
  return {{"devid", "D1234567"},           {"report", "2"},
          {"depth", "10 20 30 40 50"},     {"tz", "-32"},
          {"site", "North Ridge Station"}, {"lat", "+45.12345"},
          {"long", "-122.54321"}};
}

Settings Radio() {
  return {{"rch", "3"}, {"rsch", "1A2B"}, {"rver", "2A13"}};
}

Settings Merge(Settings a, const Settings& b) {
  a.insert(b.begin(), b.end());
  return a;
}

CommandLineDeviceConfig Make(std::string kind, std::string word, std::string version,
                             Settings settings, DeviceClock clock) {
  CommandLineDeviceConfig config;
  config.kind = std::move(kind);
  config.versionWord = std::move(word);
  config.versionNumber = std::move(version);
  config.settings = std::move(settings);
  config.clock = clock;
  config.clockSeconds = kStartClock;
  return config;
}

struct Preset {
  const char* name;
  const char* description;
  CommandLineDeviceConfig (*make)();
};

CommandLineDeviceConfig Rvan() {
  Settings s = Merge(LoggerIdentity(), Radio());
  s.insert({{"i", "LAKE01"},
            {"sn", "RN20417"},
            {"w", "600"},
            {"padc", "50"},
            {"ports", "1 1 0 2 0"},
            {"trait", "246"},  // radio and cellular modem fitted
            {"r", "3"},
            {"data", "7"},
            {"build", "B2017.04.12"},
            {"adc30", "10 1 20 2 30 3 40 4 50 5 165"},
            {"adc15", "11 2 21 3 31 4 41 5 51 6 175"},
            {"apn", "internet.example"},
            {"user", "logger"},
            {"passwd", "s3cret"},
            {"authkey", "0123456789ABCDEF0123456789ABCDEF"},
            {"host", "data.norquil.example"},
            {"ipport", "5005"}});
  return Make("rvan", "RVAN", "2.02", std::move(s), DeviceClock::kTimeAndDate);
}

CommandLineDeviceConfig Gx2() {
  Settings s = Merge(LoggerIdentity(), Radio());
  s.insert({{"i", "GXRIVER"},
            {"sn", "GX00912"},
            {"w", "300"},
            {"padc", "25"},
            {"ports", "2 0 0 1 1"},
            {"trait", "254"},  // radio fitted
            {"data", "4"},
            {"adc30", "12 3 22 4 32 5 42 6 52 7 185"},
            {"adc15", "13 1 23 1 33 1 43 1 53 1 170"}});
  return Make("gx2", "GX2", "1.10", std::move(s), DeviceClock::kTimeAndDate);
}

CommandLineDeviceConfig Ovt9() {
  Settings s = LoggerIdentity();
  s.insert({{"i", "OVT9A"},
            {"sn", "OV33001"},
            {"w", "900"},
            {"padc", "10"},
            {"ports", "1 2 3 4 5"},
            {"trait", "255"},
            {"r", "1"},
            {"data", "2"},
            {"adc30", "9 9 9 9 9 9 9 9 9 9 90"},
            {"adc15", "8 8 8 8 8 8 8 8 8 8 80"}});
  auto config = Make("ovt9", "OVT", "1.04", std::move(s), DeviceClock::kTimeAndDate);
  config.radioFitted = false;
  return config;
}

CommandLineDeviceConfig Rvak() {
  Settings s = {{"i", "RVAK7"}, {"sn", "RK10001"},      {"w", "1200"},
                {"padc", "60"}, {"ports", "1 0 0 0 0"}, {"build", "K2015.11.02"}};
  return Make("rvak", "RVAK", "2.04", std::move(s), DeviceClock::kTimeAndDate);
}

CommandLineDeviceConfig RvaNew() {
  Settings s = Radio();
  s.insert({{"i", "RVA12"}, {"sn", "RV01234"}, {"w", "600"}, {"padc", "50"}, {"r", "2"}});
  return Make("rva", "RVA", "1.50", std::move(s), DeviceClock::kTimeAndDate);
}

CommandLineDeviceConfig RvaOld() {
  Settings s = {{"i", "OLDRVA"}, {"sn", "RV00042"}, {"w", "900"}, {"r", "1"}, {"padc", "40"}};
  auto config = Make("rva-old", "RVA", "1.23", std::move(s), DeviceClock::kTimeAndDate);
  config.oldFirmware = true;
  return config;
}

CommandLineDeviceConfig Keldrum() {
  Settings s = Radio();
  s.insert({{"i", "KELD3"}, {"sn", "KD55120"}, {"data", "12"}});
  return Make("keldrum", "KD", "1.09", std::move(s), DeviceClock::kNone);
}

CommandLineDeviceConfig Keldwave() {
  Settings s = {{"i", "WAVE2"}, {"sn", "KW70007"}};
  return Make("keldwave", "KW", "1.01", std::move(s), DeviceClock::kTimeAndDate);
}

CommandLineDeviceConfig Pelmirat() {
  Settings s = {{"i", "PELMI1"},
                {"sn", "PL88120"},
                {"build", "P2019.02.01"},
                {"adc30", "12 3 15"},
                {"adc15", "14 2 16"}};
  auto config = Make("pelmirat", "PL", "1.35", std::move(s), DeviceClock::kSeconds);
  config.hardwareRevision = 'C';
  return config;
}

CommandLineDeviceConfig CommDev() {
  Settings s = {{"i", "QCD01"}, {"sn", "QC40404"}};
  return Make("qcd", "QCD", "2.10", std::move(s), DeviceClock::kTimeAndDate);
}

CommandLineDeviceConfig Calibrator() {
  Settings s = {{"i", "CAL1"},
                {"sn", "QA00017"},
                {"ports", "1 1 1 1 1"},
                {"adc30", "20 2 20 2 20 2 20 2 20 2 110"},
                {"adc15", "21 1 21 1 21 1 21 1 21 1 110"}};
  return Make("calibrator", "QUORL_CAL", "1.00", std::move(s), DeviceClock::kNone);
}

const Preset kPresets[] = {
    {"rvan", "Rvan logger 2.02 with radio and cellular modem", Rvan},
    {"rvak", "Rvak logger 2.04", Rvak},
    {"rva", "Rva logger 1.50 (answers \"get -ver\")", RvaNew},
    {"rva-old", "Rva logger 1.23 with the old firmware (\"show\")", RvaOld},
    {"keldrum", "Keldrum 1.09 with radio", Keldrum},
    {"keldwave", "Keldwave 1.01", Keldwave},
    {"gx2", "gX2 logger 1.10 with radio", Gx2},
    {"ovt9", "OVT9 logger 1.04", Ovt9},
    {"pelmirat", "Pelmirat handheld reader 1.35", Pelmirat},
    {"qcd", "QUORL communication device 2.10", CommDev},
    {"calibrator", "QUORL calibrator 1.00", Calibrator},
};

}  // namespace

std::vector<std::pair<std::string, std::string>> CommandLineDeviceKinds() {
  std::vector<std::pair<std::string, std::string>> kinds;
  for (const Preset& preset : kPresets) {
    kinds.emplace_back(preset.name, preset.description);
  }
  return kinds;
}

std::optional<CommandLineDeviceConfig> CommandLineDevicePreset(std::string_view name) {
  for (const Preset& preset : kPresets) {
    if (name == preset.name) {
      return preset.make();
    }
  }
  return std::nullopt;
}

CommandLineDeviceConfig BlankOf(const CommandLineDeviceConfig& device) {
  CommandLineDeviceConfig blank = device;
  for (auto& [key, value] : blank.settings) {
    if (key == "rver") {
      continue;  // the radio's own version, not a setting
    }
    if (key == "depth" || key == "ports") {
      value = "0 0 0 0 0";
    } else if (key == "adc30" || key == "adc15") {
      const bool shortForm = std::count(value.begin(), value.end(), ' ') == 2;
      value = shortForm ? "0 0 0" : "0 0 0 0 0 0 0 0 0 0 0";
    } else if (key == "trait") {
      value = "255";
    } else if (key == "i" || key == "sn" || key == "devid" || key == "site" || key == "build" ||
               key == "apn" || key == "user" || key == "passwd" || key == "authkey" ||
               key == "host" || key == "lat" || key == "long") {
      value = "";
    } else {
      value = "0";
    }
  }
  return blank;
}

}  // namespace vesk::sim
