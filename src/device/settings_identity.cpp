// Settings that say which logger this is and where it stands: name, device ID, serial number,
// site, report mode, time zone, port depths and position.
#include <cmath>

#include "device/answer_parsing.h"
#include "device/protocol_codes.h"
#include "device/quorl_protocol.h"
#include "serial/timing.h"

namespace vesk {
namespace {

constexpr int kTimeZoneOfHost = -2;
constexpr int32_t kSecondsPerQuarterHour = 900;
constexpr uint8_t kUnknownDepth = 255;

}  // namespace

int QUORL_Protocol::NameCommand(FixedText<9>* name, int mode) {
  if (name == nullptr) {
    return proto::kMissingArgument;
  }
  Exchange ex(32);
  int rc;
  if (mode == kModeSet) {
    const int valid = CheckDeviceName(TextOf(*name));
    if (valid != proto::kOk) {
      LogFailure("NameCommand: \"%s\" is an illegal device name (error %d)", name->data(), valid);
      return valid;
    }
    rc = SendSetting(ex, Confirm::kOkOrOldPrompt, Refusal::kRefused, "set -i %s\r", name->data());
    if (rc > 0) {
      LogDetail("NameCommand set device name to \"%s\" (%d ms)", name->data(), Ms(ex.ms));
    }
  } else {
    rc = Ask(ex, "get -i\r");
    if (rc == proto::kEmptyAnswer) {
      return proto::kEmptyName;
    }
    if (rc > 0) {
      const std::string_view word = ReadWord(AfterFirstCR(ex.answer), 8);
      // A lone prompt is no name.
      if (!word.empty() && word[0] != '>') {
        CopyTruncated(*name, word);
        LogDetail("NameCommand found device named \"%s\" (%d ms)", name->data(), Ms(ex.ms));
        rc = proto::kOk;
      } else {
        LogDetail("NameCommand couldn't find device name (%d ms)", Ms(ex.ms));
        rc = proto::kBadAnswer;
      }
    }
  }
  if (rc < 0) {
    LogFailure("NameCommand failed with error %d (%d ms)", rc, Ms(ex.ms));
  }
  return rc;
}

int QUORL_Protocol::DeviceIDCommand(FixedText<9>* deviceid, int mode) {
  if (deviceid == nullptr) {
    return proto::kMissingArgument;
  }
  if (!Can(capability::kLoggerIdentity)) {
    return proto::kNotSupported;
  }
  Exchange ex(32);
  int rc;
  if (mode == kModeSet) {
    rc = SendSetting(ex, Confirm::kOk, Refusal::kTextRefused, "set -devid %s\r", deviceid->data());
    if (rc > 0) {
      LogDetail("DeviceIDCommand set DeviceID to \"%s\" (%d ms)", deviceid->data(), Ms(ex.ms));
    }
  } else {
    rc = Ask(ex, "get -devid\r");
    if (rc > 0) {
      const TextRead read = ReadText(ex.answer, 8);
      rc = read.code;
      if (rc > 0) {
        CopyTruncated(*deviceid, read.text);
        LogDetail("DeviceIDCommand found DeviceID \"%s\" (%d ms)", deviceid->data(), Ms(ex.ms));
      }
    }
  }
  if (rc < 0) {
    LogFailure("DeviceIDCommand failed with error %d (%d ms)", rc, Ms(ex.ms));
  }
  return rc;
}

int QUORL_Protocol::SNCommand(FixedText<16>* sn, int mode) {
  if (sn == nullptr) {
    return proto::kMissingArgument;
  }
  Exchange ex(32);
  int rc = proto::kBadAnswer;
  if (mode == kModeSet) {
    if (OldFirmware()) {
      return proto::kNotSupported;
    }
    rc = SendSetting(ex, Confirm::kOk, Refusal::kTextRefused, "set -sn %s\r", sn->data());
    if (rc > 0) {
      LogDetail("SNCommand set device serial number to \"%s\" (%d ms)", sn->data(), Ms(ex.ms));
    }
  } else {
    // Serial numbers come from a slow store on some devices; ask again until one is read.
    for (uint32_t attempt = 0; attempt < retries; ++attempt) {
      rc = Ask(ex, "get -sn\r");
      if (rc <= 0) {
        continue;
      }
      const TextRead read = ReadLineAfterCR(ex.answer, 15);
      rc = read.code;
      if (rc > 0) {
        CopyTruncated(*sn, read.text);
        LogDetail("SNCommand found device serial number \"%s\" (%d ms)", sn->data(), Ms(ex.ms));
        break;
      }
    }
  }
  if (rc < 0) {
    LogFailure("SNCommand failed with error %d (%d ms)", rc, Ms(ex.ms));
  }
  return rc;
}

int QUORL_Protocol::SiteCommand(FixedText<32>* site, int mode) {
  if (site == nullptr) {
    return proto::kMissingArgument;
  }
  if (!Can(capability::kLoggerIdentity)) {
    return proto::kNotSupported;
  }
  Exchange ex(32);
  int rc;
  if (mode == kModeSet) {
    rc = SendSetting(ex, Confirm::kOk, Refusal::kTextRefused, "set -site %s\r", site->data());
    if (rc > 0) {
      LogDetail("SiteCommand set site to \"%s\" (%d ms)", site->data(), Ms(ex.ms));
    }
  } else {
    rc = Ask(ex, "get -site\r");
    if (rc > 0) {
      const TextRead read = ReadText(ex.answer, 25);
      rc = read.code;
      if (rc > 0) {
        CopyTruncated(*site, read.text);
        LogDetail("SiteCommand found site name \"%s\" (%d ms)", site->data(), Ms(ex.ms));
      }
    }
  }
  if (rc < 0) {
    LogFailure("SiteCommand failed with error %d (%d ms)", rc, Ms(ex.ms));
  }
  return rc;
}

int QUORL_Protocol::ReportCommand(int32_t* report, int mode) {
  if (report == nullptr) {
    return proto::kMissingArgument;
  }
  if (!Can(capability::kLoggerIdentity)) {
    return proto::kNotSupported;
  }
  Exchange ex(32);
  int rc;
  if (mode == kModeSet) {
    rc = SendSetting(ex, Confirm::kOk, Refusal::kRefused, "set -report %d\r", *report);
    if (rc > 0) {
      LogDetail("ReportCommand set report mode to %d (%d ms)", *report, Ms(ex.ms));
    }
  } else {
    rc = Ask(ex, "get -report\r");
    if (rc > 0) {
      if (const auto value = ReadInt(ex.answer)) {
        *report = *value;
        LogDetail("ReportCommand found device report mode %d (%d ms)", *report, Ms(ex.ms));
        rc = proto::kOk;
      } else {
        LogDetail("ReportCommand could not find device report mode (%d ms)", Ms(ex.ms));
        rc = proto::kBadAnswer;
      }
    }
  }
  if (rc < 0) {
    LogFailure("ReportCommand failed with error %d (%d ms)", rc, Ms(ex.ms));
  }
  return rc;
}

int QUORL_Protocol::TimeZoneCommand(int32_t* timezone, int mode) {
  if (timezone == nullptr) {
    return proto::kMissingArgument;
  }
  if (!Can(capability::kLoggerIdentity)) {
    return proto::kNotSupported;
  }
  Exchange ex(32);
  int rc;
  if (mode == kModeSet) {
    if (*timezone == kTimeZoneOfHost) {
      const std::optional<std::time_t> now = clock_->Now();
      const int32_t offset = now ? LocalTimeOffset(*now) : LocalTimeOffset();
      *timezone = offset / kSecondsPerQuarterHour;
    }
    rc = SendSetting(ex, Confirm::kOk, Refusal::kRefused, "set -tz %d\r", *timezone);
    if (rc > 0) {
      LogDetail("TimeZoneCommand set time zone to %d (%d ms)", *timezone, Ms(ex.ms));
    }
  } else {
    rc = Ask(ex, "get -tz\r");
    if (rc > 0) {
      if (const auto value = ReadInt(ex.answer)) {
        *timezone = *value;
        LogDetail("TimeZoneCommand found device time zone %d (%d ms)", *timezone, Ms(ex.ms));
        rc = proto::kOk;
      } else {
        LogDetail("TimeZoneCommand could not find device time zone (%d ms)", Ms(ex.ms));
        rc = proto::kBadAnswer;
      }
    }
  }
  if (rc < 0) {
    LogFailure("TimeZoneCommand failed with error %d (%d ms)", rc, Ms(ex.ms));
  }
  return rc;
}

int QUORL_Protocol::DepthCommand(Ports* depth, int mode) {
  if (depth == nullptr) {
    return proto::kMissingArgument;
  }
  if (!Can(capability::kLoggerIdentity)) {
    if (mode != kModeSet) {
      depth->fill(kUnknownDepth);
    }
    return proto::kNotSupported;
  }
  Exchange ex(32);
  int rc;
  const Ports& d = *depth;
  if (mode == kModeSet) {
    rc = SendSetting(ex, Confirm::kOk, Refusal::kRefused, "set -depth %d %d %d %d %d\r", d[0], d[1],
                     d[2], d[3], d[4]);
    if (rc > 0) {
      LogDetail("DepthCommand set depths to %d %d %d %d %d (%d ms)", d[0], d[1], d[2], d[3], d[4],
                Ms(ex.ms));
    }
  } else {
    rc = Ask(ex, "get -depth\r");
    if (rc > 0) {
      const FiveInts read = ReadFiveInts(ex.answer);
      if (read.count == 5) {
        *depth = read.values;
        LogDetail("DepthCommand: depths are %d %d %d %d %d (%d ms)", d[0], d[1], d[2], d[3], d[4],
                  Ms(ex.ms));
        rc = proto::kOk;
      } else {
        LogDetail("DepthCommand only found %d of %d port depths (%d ms)", read.count, 5, Ms(ex.ms));
        rc = proto::kBadAnswer;
      }
    }
  }
  if (rc < 0) {
    LogFailure("DepthCommand failed with error %d (%d ms)", rc, Ms(ex.ms));
  }
  return rc;
}

int QUORL_Protocol::LatitudeCommand(double* lat, int mode) {
  if (lat == nullptr) {
    return proto::kMissingArgument;
  }
  if (!Can(capability::kPosition)) {
    return proto::kNotSupported;
  }
  Exchange ex(32);
  int rc;
  if (mode == kModeSet) {
    if (!std::isfinite(*lat)) {
      rc = proto::kOutOfRange;  // "nan" or "inf" is no position a device can hold; send nothing
    } else if (*lat == 0) {
      rc = SendSetting(ex, Confirm::kOk, Refusal::kRefused, "set -lat \r");  // clears it
    } else {
      rc = SendSetting(ex, Confirm::kOk, Refusal::kRefused, "set -lat %+.5f\r", *lat);
    }
    if (rc > 0) {
      LogDetail("LatitudeCommand set latitude to %+.5f (%d ms)", *lat, Ms(ex.ms));
    }
  } else {
    rc = Ask(ex, "get -lat\r");
    if (rc > 0) {
      if (const auto value = ReadDouble(ex.answer)) {
        *lat = *value;
        LogDetail("LatitudeCommand found device latitude %+.5f (%d ms)", *lat, Ms(ex.ms));
        rc = proto::kOk;
      } else {
        LogDetail("LatitudeCommand could not find device latitude (%d ms)", Ms(ex.ms));
        rc = proto::kEmptyAnswer;
      }
    }
  }
  if (rc < 0) {
    LogFailure("LatitudeCommand failed with error %d (%d ms)", rc, Ms(ex.ms));
  }
  return rc;
}

int QUORL_Protocol::LongitudeCommand(double* lon, int mode) {
  if (lon == nullptr) {
    return proto::kMissingArgument;
  }
  if (!Can(capability::kPosition)) {
    return proto::kNotSupported;
  }
  Exchange ex(32);
  int rc;
  if (mode == kModeSet) {
    if (!std::isfinite(*lon)) {
      rc = proto::kOutOfRange;  // "nan" or "inf" is no position a device can hold; send nothing
    } else if (*lon == 0) {
      rc = SendSetting(ex, Confirm::kOk, Refusal::kRefused, "set -long \r");  // clears it
    } else {
      rc = SendSetting(ex, Confirm::kOk, Refusal::kRefused, "set -long %+.5f\r", *lon);
    }
    if (rc > 0) {
      LogDetail("LongitudeCommand set longitude to %+.5f (%d ms)", *lon, Ms(ex.ms));
    }
  } else {
    rc = Ask(ex, "get -long\r");
    if (rc > 0) {
      if (const auto value = ReadDouble(ex.answer)) {
        *lon = *value;
        LogDetail("LongitudeCommand found device longitude %+.5f (%d ms)", *lon, Ms(ex.ms));
        rc = proto::kOk;
      } else {
        LogDetail("LongitudeCommand could not find device longitude (%d ms)", Ms(ex.ms));
        rc = proto::kEmptyAnswer;
      }
    }
  }
  if (rc < 0) {
    LogFailure("LongitudeCommand failed with error %d (%d ms)", rc, Ms(ex.ms));
  }
  return rc;
}

}  // namespace vesk
