// Connecting, logging in, agreeing the baud rate and disconnecting.
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>

#include "device/answer_parsing.h"
#include "device/protocol_codes.h"
#include "device/quorl_protocol.h"
#include "serial/timing.h"

namespace vesk {
namespace {

constexpr uint32_t kHostBaud = 9600;
constexpr uint32_t kSettleAfterOpenMs = 100;
constexpr uint32_t kSetBaudTimeoutMs = 1500;
constexpr uint32_t kSetBaudSilencePauseMs = 1500;
constexpr uint32_t kAfterSetBaudMs = 100;
constexpr uint32_t kLogoutPauseMs = 100;
constexpr size_t kLogoutReadBytes = 31;
constexpr uint32_t kRadioSetupRetries = 3;

bool RefusedKind(uint8_t kind) {
  return kind == 20 || kind == 40 || kind == 100 || kind == 110 || kind == 120;
}

}  // namespace

int QUORL_Protocol::ConnectDevice(ConnectionParams* params) {
  if (params == nullptr) {
    return proto::kMissingArgument;
  }
  if (!answerBuffer_ || !portBuffer_) {
    return proto::kOutOfMemory;
  }
  info = DeviceInfo{};
  resets = 0;

  switch (params->kind) {
    case connection_kind::kSerial:
      retries = options.serialRetries;
      break;
    case connection_kind::kRadio:
      retries = options.radioRetries;
      break;
    case connection_kind::kNone:
      return proto::kOutOfRange;
    default:
      return RefusedKind(params->kind) ? proto::kNotAvailable : proto::kMissingArgument;
  }
  if (params->baudIndex == 0) {
    params->baudIndex = kDefaultBaudIndex;
  }
  // Only the table's indexes mean a rate; anything else would pick a rate nobody asked for.
  if (params->baudIndex < 0 || static_cast<size_t>(params->baudIndex) >= kBaudTable.size()) {
    return proto::kOutOfRange;
  }

  if (connection.kind == connection_kind::kNone) {
    const int rc = DSOpen(*this, std::string(TextOf(params->portName)), kHostBaud);
    if (rc < 0) {
      return rc;
    }
  }
  connection = *params;
  DelayMs(kSettleAfterOpenMs, *pump);

  if (OverRadio() && connection.configureRadio != 0) {
    retries = kRadioSetupRetries;
    uint32_t mask = setting::kRch | setting::kRsch;
    const int rc =
        Wq3Config(&connection.radioChannel, &connection.radioSubChannel, nullptr, kModeSet, &mask);
    if (rc != proto::kOk) {
      if (options.keepPortOpen == 0) {
        connection.kind = connection_kind::kNone;
        DSClose(*this);
      }
      return proto::kRadioModemFailed;
    }
    retries = options.radioRetries;
  }

  const int rc = DeviceLogin(&connection.deviceName, &connection.baudIndex);
  params->deviceName = connection.deviceName;
  params->baudIndex = connection.baudIndex;
  if (rc < 0 && options.keepPortOpen == 0) {
    DSClose(*this);
    connection.kind = connection_kind::kNone;
  }
  return rc;
}

int QUORL_Protocol::DisconnectDevice(bool skipLogout) {
  if (connection.kind == connection_kind::kNone) {
    return proto::kNothingDone;
  }
  int result = proto::kAttemptSilent;
  if (!OverRadio()) {
    if (baudRate != kHostBaud) {
      SetBaudCommand(kHostBaud);  // the device may already be back at 9600; either way we go on
    }
    result = proto::kOk;
  } else if (!skipLogout) {
    char login[32];
    std::snprintf(login, sizeof login, "login %s\r", info.name.data());
    for (uint32_t attempt = 0; attempt < retries; ++attempt) {
      DSPurge(*this, 1);
      answerBuffer_[0] = '\0';
      size_t written = 0;
      DSWrite(*this, "logout\r", 7, written);
      Echo(2, "logout\r");
      DelayMs(kLogoutPauseMs, *pump);
      // A logged-out device ignores a login by name, so silence here means it has gone.
      DSWrite(*this, login, std::strlen(login), written);
      Echo(2, login);
      size_t got = 0;
      DSRead(*this, answerBuffer_.get(), kLogoutReadBytes, got);
      if (got == 0) {
        result = proto::kOk;
        break;
      }
      answerBuffer_[got] = '\0';
      Echo(1, std::string_view(answerBuffer_.get(), got));
      LogDetail("DisconnectDevice: Device didn't disconnect, retrying");
    }
  }

  info = DeviceInfo{};
  resets = 0;
  if (options.keepPortOpen != 0) {
    const int rc = DSHostBaud(*this, kHostBaud);
    if (rc < 0) {
      DSClose(*this);
      connection.kind = connection_kind::kNone;
      LogFailure("DisconnectDevice: Error setting host baud rate; can't keep port open (error %d)",
                 rc);
    }
  } else {
    DSClose(*this);
    connection.kind = connection_kind::kNone;
  }
  if (result > 0) {
    LogDetail("DisconnectDevice successful");
  }
  return result;
}

int QUORL_Protocol::SetBaudCommand(uint32_t rate) {
  if (OldFirmware()) {
    LogDetail("SetBaudCommand: device (%s) can't change baud rate", info.name.data());
    return proto::kNotSupported;
  }
  std::optional<int> code = BaudRateCode(rate);
  if (!code) {
    LogDetail("SetBaudCommand: unsupported baud rate %d, using 9600", static_cast<int>(rate));
    code = 0;
  }
  int result = proto::kNoAnswer;
  Exchange ex(32);
  for (uint32_t attempt = 0; attempt < retries; ++attempt) {
    const int rc = AskFormatted(ex, 'K', kSetBaudTimeoutMs, "set -baud %d\r", *code);
    if (rc == proto::kNoAnswer) {
      if (rate == kHostBaud) {
        result = proto::kOk;  // the device already left the faster rate
        break;
      }
      result = rc;
      if (baudRate == kHostBaud) {
        DelayMs(kSetBaudSilencePauseMs, *pump);
      }
      continue;
    }
    if (rc < 0) {
      result = rc;
      continue;
    }
    if (ex.Has("OK")) {
      LogDetail("SetBaudCommand set device baud rate to %d (%d ms)", static_cast<int>(rate),
                static_cast<int>(ex.ms));
      result = proto::kOk;
      break;
    }
    if (ex.Has("\r>")) {
      result = proto::kBadAnswer;
      LogDetail("SetBaudCommand failed (heard prompt): trying again (%d ms)",
                static_cast<int>(ex.ms));
      continue;
    }
    LogDetail("SetBaudCommand failed: heard: %s (%d ms)", ex.answer, static_cast<int>(ex.ms));
    result = proto::kBadAnswer;
    break;
  }
  if (result < 0) {
    LogFailure("SetBaudCommand failed with error %d (%d ms)", result, static_cast<int>(ex.ms));
  }
  DelayMs(kAfterSetBaudMs, *pump);
  return result;
}

int QUORL_Protocol::DeviceLogin(FixedText<9>* name, int8_t* baudIndex) {
  if (name == nullptr || baudIndex == nullptr) {
    return proto::kMissingArgument;
  }
  if (baudRate != kHostBaud) {
    const int rc = DSHostBaud(*this, kHostBaud);
    if (rc < 0) {
      LogDetail("DeviceLogin: host reports it can't change baud (error %d)", rc);
      return proto::kNobodyListening;
    }
  }
  return OverRadio() ? DeviceLoginRadio(name, baudIndex) : DeviceLoginSerial(baudIndex);
}

int QUORL_Protocol::DeviceLoginSerial(int8_t* baudIndex) {
  const int rc = VerCommand(true);
  if (rc == proto::kNoAnswer) {
    LogDetail("DeviceLogin: nothing is listening over the serial port");
    return proto::kNobodyListening;
  }
  if (rc < 0) {
    LogDetail("DeviceLogin failed with error %d", rc);
    return rc;
  }
  const bool validIndex = *baudIndex > 0 && static_cast<size_t>(*baudIndex) < kBaudTable.size();
  const uint32_t wanted = validIndex ? kBaudTable[static_cast<size_t>(*baudIndex)] : kHostBaud;
  // A rate the devices have no code for (1200) would leave the two ends at different speeds, so
  // such a connection stays at 9600.
  if (Can(capability::kChangesBaud) && wanted != baudRate && BaudRateCode(wanted)) {
    const int set = SetBaudCommand(wanted);
    if (set > 0) {
      const int host = DSHostBaud(*this, wanted);
      if (host < 0) {
        LogFailure("DeviceLogin: host reports it can't change baud (error %d)", host);
        return proto::kNobodyListening;
      }
    } else {
      LogDetail("DeviceLogin: device didn't change baud rate (error %d)", set);
      *baudIndex = kDefaultBaudIndex;
    }
  } else {
    *baudIndex = kDefaultBaudIndex;
  }
  LogDetail("DeviceLogin communicating with a device running %s at %d baud",
            info.versionText.data(), static_cast<int>(baudRate));
  return proto::kOk;
}

int QUORL_Protocol::DeviceLoginRadio(FixedText<9>* name, int8_t* baudIndex) {
  int result = proto::kOk;
  bool wakeSent = false;
  for (;;) {
    if (TextOf(*name).empty()) {
      FixedText<9> heard{};
      const int rc = QueryCommand(&heard);
      if (rc > 0) {
        *name = heard;
      } else if (rc == proto::kCancelled) {
        return rc;
      } else if (rc != proto::kNoAnswer && rc != proto::kAttemptSilent) {
        result = rc;
        break;
      }
    }
    if (!TextOf(*name).empty()) {
      const int rc = LoginCommand(TextOf(*name));
      if (rc > 0) {
        CopyTruncated(info.name, TextOf(*name));
        result = proto::kOk;
        break;
      }
      if (rc != proto::kNoAnswer) {
        result = rc;
        break;
      }
    }
    if (wakeSent) {
      break;
    }
    if (SendWake() == proto::kCancelled) {
      return proto::kCancelled;
    }
    wakeSent = true;
  }

  if (result == proto::kNoAnswer || result == proto::kAttemptSilent) {
    LogDetail("DeviceLogin: nothing is listening over the radio");
    return proto::kNobodyListening;
  }
  if (result == proto::kEchoed) {
    LogFailure("DeviceLogin thinks a relay must be active");
    return proto::kRelayRepeats;
  }
  if (result < 0) {
    LogDetail("DeviceLogin failed with error %d", result);
    return result;
  }
  if (TextOf(info.name).empty()) {
    LogDetail("DeviceLogin: nothing is listening over the radio");
    return proto::kNobodyListening;
  }
  *baudIndex = kDefaultBaudIndex;
  LogDetail("DeviceLogin communicating with a device running %s at %d baud",
            info.versionText.data(), static_cast<int>(baudRate));
  return proto::kOk;
}

}  // namespace vesk
