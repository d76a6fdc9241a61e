#include "cli/commands/info_command.h"

#include <iostream>
#include <nlohmann/json.hpp>

#include "bsl/build_constants.h"
#include "cli/commands/info_report.h"
#include "cli/device_options.h"
#include "device/protocol_codes.h"
#include "device/quorl_protocol.h"
#include "device/settings_support.h"
#include "serial/posix_serial_backend.h"

namespace vesk::cli {
namespace {

constexpr uint32_t kAttempts = 3;
constexpr const char* kCliTag = "veskbsl-cli";

struct Failure {
  int exitCode;
  std::string message;
};

bool IsDeviceResult(int code) {
  switch (code) {
    case proto::kNotSupported:
    case proto::kMissingArgument:
    case proto::kOutOfRange:
    case proto::kRefusedSetting:
    case proto::kNotAvailable:
    case proto::kNobodyListening:
    case proto::kNoAnswer:
    case proto::kAttemptSilent:
    case proto::kRadioModemFailed:
    case proto::kBadAnswer:
    case proto::kEmptyAnswer:
    case proto::kEchoed:
    case proto::kRelayRepeats:
    case proto::kRefused:
    case proto::kPartlyFailed:
    case proto::kEmptyName:
    case proto::kCancelled:
    case proto::kOutOfMemory:
    case proto::kBootLoaderActive:
    case proto::kBootLoaderWaiting:
      return true;
    default:
      return false;
  }
}

// The words and exit status for a connection or identification that failed with `code`.
Failure Explain(int code, const std::string& port) {
  const std::string error = " (error " + std::to_string(code) + ")";
  switch (code) {
    case proto::kNobodyListening:
    case proto::kNoAnswer:
    case proto::kAttemptSilent:
      return {kInfoExitNoAnswer, "Nothing answered on " + port +
                                     ". Check the cable and that the device is switched on."};
    case proto::kBootLoaderActive:
      return {kInfoExitBootLoader,
              "The VeskBSL boot loader answered on " + port +
                  " instead of the device's command line: the device waits for new firmware. "
                  "Finish the update with bsl-flash."};
    case proto::kBootLoaderWaiting:
      return {kInfoExitBootLoader,
              "The VeskBSL boot loader is waiting for a connection on " + port +
                  ": the device waits for new firmware. Finish the update with bsl-flash."};
    case proto::kEchoed:
    case proto::kRelayRepeats:
      return {kInfoExitNotUnderstood, "Every command came back echoed on " + port +
                                          ": the device, or a relay, repeats what it hears."};
    case proto::kNotAvailable:
      return {kInfoExitTooOld, "The device on " + port +
                                   " runs firmware older than 1.10, which this program cannot "
                                   "read."};
    case proto::kOutOfMemory:
      return {kInfoExitOther, "Out of memory" + error + "."};
    case -2:
      return {kInfoExitPort, "Cannot open " + port + ": there is no such port."};
    case -5:
      return {kInfoExitPort, "Cannot open " + port +
                                 ": it is in use by another program, or you are not allowed to "
                                 "use it."};
    default:
      if (!IsDeviceResult(code)) {
        return {kInfoExitPort, "Cannot open " + port + error + "."};
      }
      return {kInfoExitNotUnderstood, "Something answered on " + port +
                                          ", but not as a Norquil device's command line does" +
                                          error + "."};
  }
}

}  // namespace

CLI::App* InfoCommand::Register(CLI::App& app) {
  CLI::App* sub = app.add_subcommand(
      "info",
      "Identify the logger, reader or communication device on a port over its command line "
      "(9600 baud): its type, name, serial number, firmware version and capabilities, and with "
      "--settings every setting it has. Nothing on the device is changed.");
  AddPortOption(*sub, port_);
  sub->add_flag("--settings", settings_,
                "Also read every setting the device supports (one command each)");
  sub->add_flag("--json", json_,
                "Print one JSON object: type, typeCode, versionText, version, name, "
                "serialNumber, supportedMask, capabilities, and with --settings a settings "
                "object keyed by the settings file's names (only the settings that were read)");
  AddLogOption(*sub, logPath_);
  sub->footer(
      "Exit status: 0 the device was identified (and with --settings every setting read); 1 "
      "another failure; 3 the device's firmware is too old for this program; 4 the port could "
      "not be opened; 5 nothing answered; 6 a boot loader answered instead of the device; 7 "
      "something answered, but not as a device's command line does; 8 identified, but some "
      "details or settings could not be read; 100 and above: the command line could not be "
      "read.");
  return sub;
}

int InfoCommand::Run() {
  const std::string logPath = LogPathOrDefault(logPath_);
  VeskLog log(logPath.c_str(), kLogDetail, false);
  PosixSerialBackend backend;
  QUORL_Protocol protocol(backend, &log);

  auto fail = [&](const Failure& failure, int code) {
    LogWrite(&log, kLogFailure, "ErrorOK Told User:", "%s", failure.message.c_str());
    std::cerr << "veskbsl-cli info: " << failure.message << "\n";
    if (json_) {
      std::cout << nlohmann::json{{"error", failure.message},
                                  {"code", code},
                                  {"exit", failure.exitCode}}
                       .dump(2)
                << "\n";
    }
    return failure.exitCode;
  };

  ConnectionParams params;
  if (!CopyTruncated(params.portName, port_)) {
    return fail({kInfoExitPort, "The port name " + port_ + " is too long."}, proto::kOutOfRange);
  }
  ProtocolOptions options;
  options.serialRetries = kAttempts;
  protocol.ConfigureProtocol(&options, true);
  params.kind = connection_kind::kSerial;
  params.baudIndex = kDefaultBaudIndex;
  LogWrite(&log, kLogResult, kCliTag, "info on %s%s", port_.c_str(),
           settings_ ? " with settings" : "");

  const int connected = protocol.ConnectDevice(&params);
  if (connected < 0) {
    return fail(Explain(connected, port_), connected);
  }

  // Identity, name and serial number first; the trait decides which radio and cellular
  // settings the device has.
  DeviceInfo record;
  uint32_t read = setting::kName | setting::kSerialNumber | (settings_ ? setting::kTrait : 0);
  int rc = protocol.DeviceSettings(&record, &read, kModeGet);
  if ((read & setting::kIdentity) == 0 || rc == proto::kNotAvailable) {
    protocol.DisconnectDevice(false);
    return fail(Explain(rc < 0 ? rc : proto::kBadAnswer, port_), rc);
  }
  bool complete = rc > 0;
  if (settings_) {
    uint32_t more = SettingsSupportedBy(record) & ~read;
    rc = protocol.DeviceSettings(&record, &more, kModeGet);
    read |= more;
    complete = complete && rc > 0;
  }
  protocol.DisconnectDevice(false);

  if (json_) {
    nlohmann::json out = IdentityJson(record);
    if (settings_) {
      out["settings"] = SettingsJson(record, read);
    }
    std::cout << out.dump(2) << "\n";
  } else {
    std::cout << IdentityText(record);
    if (settings_) {
      std::cout << "Settings:\n" << SettingsText(record, read);
    }
  }
  if (!complete) {
    const std::string message = "Some of the device's details or settings could not be read" +
                                std::string(" (error ") + std::to_string(rc) +
                                "); the log has the details: " + logPath;
    LogWrite(&log, kLogFailure, kCliTag, "%s", message.c_str());
    std::cerr << "veskbsl-cli info: " << message << "\n";
    return kInfoExitPartial;
  }
  LogWrite(&log, kLogResult, kCliTag, "info identified %s \"%s\" on %s", record.versionText.data(),
           record.name.data(), port_.c_str());
  return 0;
}

}  // namespace vesk::cli
