// Settings that shape how a logger measures and reports: interval, PADC, ports, radio mode,
// data parameter and build information.
#include "device/answer_parsing.h"
#include "device/protocol_codes.h"
#include "device/protocol_device_type.h"
#include "device/quorl_protocol.h"

namespace vesk {
namespace {

// Old firmware answers "hertz" from this version on.
constexpr int32_t kOldestPadcVersion = 165;
// A gX2 always runs its radio in this mode and has no command for it.
constexpr int32_t kGx2RadioMode = 16;

}  // namespace

int QUORL_Protocol::WakeCommand(int32_t* wake, int mode) {
  if (wake == nullptr) {
    return proto::kMissingArgument;
  }
  if (!Can(capability::kWakeAndPadc)) {
    return proto::kNotSupported;
  }
  Exchange ex(32);
  int rc;
  if (mode == kModeSet) {
    rc = *wake < 0
             ? proto::kOutOfRange
             : SendSetting(ex, Confirm::kOkOrOldPrompt, Refusal::kRefused, "set -w %d\r", *wake);
    if (rc > 0) {
      LogDetail("WakeCommand set device measurement interval to %d (%d ms)", *wake, Ms(ex.ms));
    }
  } else {
    rc = Ask(ex, "get -w\r");
    if (rc > 0) {
      if (const auto value = ReadIntAfterCR(ex.answer)) {
        *wake = *value;
        LogDetail("WakeCommand found device measurement interval %d (%d ms)", *wake, Ms(ex.ms));
        rc = proto::kOk;
      } else {
        LogDetail("WakeCommand could not find device measurement interval (%d ms)", Ms(ex.ms));
        rc = proto::kBadAnswer;
      }
    }
  }
  if (rc < 0) {
    LogFailure("WakeCommand failed with error %d (%d ms)", rc, Ms(ex.ms));
  }
  return rc;
}

int QUORL_Protocol::PADCCommand(int32_t* padc, int mode) {
  if (padc == nullptr) {
    return proto::kMissingArgument;
  }
  if (!Can(capability::kWakeAndPadc)) {
    return proto::kNotSupported;
  }
  if (OldFirmware() && info.version < kOldestPadcVersion) {
    *padc = -1;
    return proto::kNotSupported;
  }
  Exchange ex(32);
  int rc;
  if (mode == kModeSet) {
    if (*padc < 0) {
      rc = proto::kOutOfRange;
    } else if (OldFirmware()) {
      rc = SendSetting(ex, Confirm::kOkOrOldPrompt, Refusal::kRefused, "set -p %d\r", *padc);
    } else {
      rc = SendSetting(ex, Confirm::kOk, Refusal::kRefused, "set -padc %d\r", *padc);
    }
    if (rc > 0) {
      LogDetail("PADCCommand set device PADC %d Hz (%d ms)", *padc, Ms(ex.ms));
    }
  } else {
    rc = Ask(ex, OldFirmware() ? "hertz\r" : "get -padc\r");
    if (rc > 0) {
      if (const auto value = ReadIntAfterCR(ex.answer)) {
        *padc = *value;
        LogDetail("PADCCommand found device PADC %d Hz (%d ms)", *padc, Ms(ex.ms));
        rc = proto::kOk;
      } else {
        LogDetail("PADCCommand could not find device PADC value (%d ms)", Ms(ex.ms));
        rc = proto::kBadAnswer;
      }
    }
  }
  if (rc < 0) {
    LogFailure("PADCCommand failed with error %d (%d ms)", rc, Ms(ex.ms));
  }
  return rc;
}

int QUORL_Protocol::PortsCommand(Ports* ports, int mode) {
  if (ports == nullptr) {
    return proto::kMissingArgument;
  }
  if (!Can(capability::kPorts)) {
    if (mode != kModeSet) {
      ports->fill(0);
    }
    return proto::kNotSupported;
  }
  Exchange ex(32);
  int rc;
  const Ports& p = *ports;
  if (mode == kModeSet) {
    rc = SendSetting(ex, Confirm::kOk, Refusal::kRefused, "set -ports %d %d %d %d %d\r", p[0], p[1],
                     p[2], p[3], p[4]);
    if (rc > 0) {
      LogDetail("PortsCommand set ports to %d %d %d %d %d (%d ms)", p[0], p[1], p[2], p[3], p[4],
                Ms(ex.ms));
    }
  } else {
    rc = Ask(ex, "get -ports\r");
    if (rc > 0) {
      const FiveInts read = ReadFiveInts(ex.answer);
      if (read.count == 5) {
        *ports = read.values;
        LogDetail("PortsCommand: ports are %d %d %d %d %d (%d ms)", p[0], p[1], p[2], p[3], p[4],
                  Ms(ex.ms));
        rc = proto::kOk;
      } else {
        LogDetail("PortsCommand only found %d of %d ports (%d ms)", read.count, 5, Ms(ex.ms));
        rc = proto::kBadAnswer;
      }
    }
  }
  if (rc < 0) {
    LogFailure("PortsCommand failed with error %d (%d ms)", rc, Ms(ex.ms));
  }
  return rc;
}

int QUORL_Protocol::RmodeCommand(int32_t* rmode, int mode) {
  if (rmode == nullptr) {
    return proto::kMissingArgument;
  }
  if (!Can(capability::kRadioMode)) {
    return proto::kNotSupported;
  }
  if (info.typeCode == device_type::kGx2) {
    if (mode != kModeSet) {
      *rmode = kGx2RadioMode;
    }
    LogDetail("RmodeCommand found an gX2 that is always mode %d", kGx2RadioMode);
    return proto::kOk;
  }
  Exchange ex(32);
  int rc;
  if (mode == kModeSet) {
    rc = SendSetting(ex, Confirm::kOkOrOldPrompt, Refusal::kRefused, "set -r %d\r", *rmode);
    if (rc > 0) {
      LogDetail("RmodeCommand set rmode to %d (%d ms)", *rmode, Ms(ex.ms));
    }
  } else {
    rc = Ask(ex, "get -r\r");
    if (rc > 0) {
      if (const auto value = ReadInt(ex.answer)) {
        *rmode = *value;
        LogDetail("RmodeCommand found rmode %d (%d ms)", *rmode, Ms(ex.ms));
        rc = proto::kOk;
      } else {
        LogDetail("RmodeCommand could not find device rmode (%d ms)", Ms(ex.ms));
        rc = proto::kBadAnswer;
      }
    }
  }
  if (rc < 0) {
    LogFailure("RmodeCommand failed with error %d (%d ms)", rc, Ms(ex.ms));
  }
  return rc;
}

int QUORL_Protocol::DataParameterCommand(int32_t* data, int mode) {
  if (data == nullptr) {
    return proto::kMissingArgument;
  }
  if (!Can(capability::kDataParameter)) {
    return proto::kNotSupported;
  }
  Exchange ex(32);
  int rc;
  if (mode == kModeSet) {
    rc = SendSetting(ex, Confirm::kOk, Refusal::kRefused, "set -data %d\r", *data);
    if (rc > 0) {
      LogDetail("DataParameterCommand set data parameter to %d (%d ms)", *data, Ms(ex.ms));
    }
  } else {
    rc = Ask(ex, "get -data\r");
    if (rc > 0) {
      if (const auto value = ReadInt(ex.answer)) {
        *data = *value;
        LogDetail("DataParameterCommand found data parameter %d (%d ms)", *data, Ms(ex.ms));
        rc = proto::kOk;
      } else {
        LogDetail("DataParameterCommand could not find device data parameter (%d ms)", Ms(ex.ms));
        rc = proto::kBadAnswer;
      }
    }
  }
  if (rc < 0) {
    LogFailure("DataParameterCommand failed with error %d (%d ms)", rc, Ms(ex.ms));
  }
  return rc;
}

int QUORL_Protocol::VeskBuildCommand(FixedText<20>* build, int mode) {
  if (build == nullptr) {
    return proto::kMissingArgument;
  }
  if (!Can(capability::kBuildInfo)) {
    return proto::kNotSupported;
  }
  Exchange ex(32);
  int rc;
  if (mode == kModeSet) {
    rc = SendSetting(ex, Confirm::kOk, Refusal::kRefused, "set -build %s\r", build->data());
    if (rc > 0) {
      LogDetail("VeskBuildCommand set VeskBuild number to \"%s\" (%d ms)", build->data(),
                Ms(ex.ms));
    }
  } else {
    rc = Ask(ex, "get -build\r");
    if (rc > 0) {
      const TextRead read = ReadText(AfterFirstCR(ex.answer), 16);
      rc = read.code;
      if (rc > 0) {
        CopyTruncated(*build, read.text);
        LogDetail("VeskBuildCommand found VeskBuild info \"%s\" (%d ms)", build->data(), Ms(ex.ms));
      }
    }
  }
  if (rc < 0) {
    LogFailure("VeskBuildCommand failed with error %d (%d ms)", rc, Ms(ex.ms));
  }
  return rc;
}

}  // namespace vesk
