// DeviceSettings: reads a set of settings into a DeviceInfo record, or writes them back, one
// command per setting, riding out failed items and a device that drops off the line.
#include <bit>

#include "device/protocol_codes.h"
#include "device/quorl_protocol.h"
#include "serial/timing.h"

namespace vesk {
namespace {

constexpr uint32_t kAfterFailurePauseMs = 100;
// An old-firmware device's "show" answers name, wake and radio mode together; its serial number
// is not among them.
constexpr uint32_t kShowClears =
    setting::kIdentity | setting::kName | setting::kSerialNumber | setting::kWake | setting::kRmode;
constexpr uint32_t kShowFills =
    setting::kIdentity | setting::kName | setting::kWake | setting::kRmode;
constexpr uint32_t kShowAsks = setting::kName | setting::kWake | setting::kRmode;

int Count(uint32_t bits) {
  return std::popcount(bits);
}

}  // namespace

int QUORL_Protocol::DeviceSettingsItem(uint32_t* pending, uint32_t* done, int mode, int last,
                                       bool* stop) {
  const bool download = mode == kModeGet;
  const uint32_t p = *pending;
  // Runs one single-bit command: its bit leaves `pending` and, on success, joins `done`.
  auto single = [pending, done](uint32_t bit, int rc) {
    *pending &= ~bit;
    if (rc > 0) {
      *done |= bit;
    }
    return rc;
  };
  // A position or site that could not be read is no longer known either.
  auto forgetOnFailure = [this](uint32_t bit, int rc) {
    if (rc < 0) {
      info.validMask &= ~bit;
    }
    return rc;
  };

  if ((p & setting::kIdentity) != 0) {
    if (!download) {
      *pending &= ~setting::kIdentity;
      return last;
    }
    const bool identified = info.typeCode != 0 && info.verKnown != 0 &&
                            !TextOf(info.versionText).empty() && info.version != 0;
    const int rc = identified ? proto::kOk : VerCommand(false);
    if (info.verKnown != 0) {
      return single(setting::kIdentity, rc);
    }
    *pending &= ~kShowClears;
    if (rc > 0) {
      *done |= kShowFills;
    }
    if (rc == proto::kNotAvailable) {
      LogDetail("DeviceSettings: old Vaultline model 007 not supported");
      *stop = true;
    }
    return rc;
  }
  if (download && OldFirmware() && (p & kShowAsks) != 0) {
    const int rc = ParseShowCommand(nullptr);
    *pending &= ~(kShowAsks | setting::kSerialNumber);
    if (rc > 0) {
      *done |= kShowFills;
    }
    return rc;
  }
  if ((p & setting::kName) != 0) {
    return single(setting::kName, NameCommand(&info.name, mode));
  }
  if ((p & setting::kDeviceId) != 0) {
    return single(setting::kDeviceId, DeviceIDCommand(&info.deviceid, mode));
  }
  if ((p & setting::kReport) != 0) {
    return single(setting::kReport, ReportCommand(&info.report, mode));
  }
  if ((p & setting::kDepth) != 0) {
    return single(setting::kDepth, DepthCommand(&info.depth, mode));
  }
  if ((p & setting::kLatitude) != 0) {
    return single(setting::kLatitude,
                  forgetOnFailure(setting::kLatitude, LatitudeCommand(&info.lat, mode)));
  }
  if ((p & setting::kLongitude) != 0) {
    return single(setting::kLongitude,
                  forgetOnFailure(setting::kLongitude, LongitudeCommand(&info.lon, mode)));
  }
  if ((p & setting::kTimeZone) != 0) {
    return single(setting::kTimeZone, TimeZoneCommand(&info.timezone, mode));
  }
  if ((p & setting::kSite) != 0) {
    return single(setting::kSite, forgetOnFailure(setting::kSite, SiteCommand(&info.site, mode)));
  }
  if ((p & setting::kSerialNumber) != 0) {
    return single(setting::kSerialNumber, SNCommand(&info.sn, mode));
  }
  if ((p & setting::kWake) != 0) {
    return single(setting::kWake, WakeCommand(&info.wake, mode));
  }
  if ((p & setting::kPadc) != 0) {
    return single(setting::kPadc, PADCCommand(&info.padc, mode));
  }
  if ((p & setting::kPorts) != 0) {
    return single(setting::kPorts, PortsCommand(&info.ports, mode));
  }
  if ((p & setting::kTrait) != 0) {
    return single(setting::kTrait, TraitCommand(&info.trait, mode));
  }
  if ((p & setting::kRmode) != 0) {
    return single(setting::kRmode, RmodeCommand(&info.rmode, mode));
  }
  if ((p & setting::kRadio) != 0) {
    *pending &= ~setting::kRadio;
    if (download && TraitHasRadio() == 0) {
      return proto::kRadioModemFailed;  // the trait says no radio is fitted
    }
    uint32_t radioMask = p;
    const int rc = MSRadioCommand(&info.rch, &info.rsch, &info.rver, mode, &radioMask);
    *done |= radioMask & setting::kRadio;
    return rc;
  }
  if ((p & setting::kDataParameter) != 0) {
    return single(setting::kDataParameter, DataParameterCommand(&info.data, mode));
  }
  if ((p & setting::kBuild) != 0) {
    return single(setting::kBuild, VeskBuildCommand(&info.VeskBuild, mode));
  }
  if ((p & setting::kAdc30) != 0) {
    return single(setting::kAdc30,
                  ADCcalCommand(kAdcSet30, &info.adc30Slopes, &info.adc30Offsets, mode));
  }
  if ((p & setting::kAdc15) != 0) {
    return single(setting::kAdc15,
                  ADCcalCommand(kAdcSet15, &info.adc15Slopes, &info.adc15Offsets, mode));
  }
  if ((p & setting::kApn) != 0) {
    return single(setting::kApn, APNCommand(&info.apn, mode));
  }
  if ((p & setting::kApnUser) != 0) {
    return single(setting::kApnUser, APNUserCommand(&info.user, mode));
  }
  if ((p & setting::kApnPassword) != 0) {
    return single(setting::kApnPassword, APNPasswdCommand(&info.passwd, mode));
  }
  if ((p & setting::kAuthKey) != 0) {
    return single(setting::kAuthKey, AuthKeyCommand(&info.authkey, mode));
  }
  if ((p & setting::kHost) != 0) {
    return single(setting::kHost, HostCommand(&info.host, mode));
  }
  if ((p & setting::kIpPort) != 0) {
    return single(setting::kIpPort, IPPortCommand(&info.ipport, mode));
  }
  // Nothing this program knows is left (bits above the list, or identity in an upload): the
  // unchanged request ends the loop.
  return last;
}

int QUORL_Protocol::DeviceSettings(DeviceInfo* record, uint32_t* mask, int mode) {
  if (record == nullptr || mask == nullptr) {
    return proto::kMissingArgument;
  }
  if (mode != kModeGet && mode != kModeSet) {
    return proto::kOutOfRange;
  }
  const bool download = mode == kModeGet;
  const uint32_t requested = *mask;
  uint32_t pending = requested;
  uint32_t done = 0;
  int result = proto::kOk;
  int last = 0;

  if (!download) {
    info = *record;
  } else if (info.version == 0) {
    pending |= setting::kIdentity;  // identify the device first
  } else {
    done |= setting::kIdentity;
  }
  if (download && (pending & setting::kRadio) != 0 && (info.validMask & setting::kTrait) == 0) {
    pending |= setting::kTrait;  // the trait tells whether a radio is there at all
  }

  const int total = Count(requested);
  uint32_t relogins = 0;
  bool remembered = false;
  uint32_t savedPending = 0;
  int savedResult = result;
  for (;;) {
    if (options.progressHookOn != 0) {
      const int progress = total - Count(pending);
      if (!hooks_->ProgressHook(total, progress, progress_phase::kProgress)) {
        LogDetail("DeviceSettings canceled by user after getting %d of %d settings",
                  Count(done & requested), total);
        hooks_->ProgressHook(total, progress, progress_phase::kFinished);
        return proto::kCancelled;
      }
    }
    if (last == proto::kEchoed || last == proto::kRelayRepeats || last == proto::kEmptyName) {
      result = last;
      break;
    }
    if (last < 0) {
      result = proto::kPartlyFailed;
      DelayMs(kAfterFailurePauseMs, *pump);
    }
    if (last == proto::kNoAnswer) {
      // The device stopped answering: log in again and ask the same setting once more.
      if (relogins >= retries || OverRadio()) {
        result = proto::kNoAnswer;
        break;
      }
      ++relogins;
      const int rc = DeviceLogin(&connection.deviceName, &connection.baudIndex);
      if (rc > 0) {
        LogAt(kLogDetail, "******", "DeviceSettings re-connected to device");
        pending = savedPending;
        result = savedResult;
      } else if (rc == proto::kNobodyListening) {
        result = proto::kNoAnswer;
        break;
      }
    } else {
      if (pending == 0 || (remembered && pending == savedPending)) {
        break;
      }
      remembered = true;
      savedPending = pending;
      savedResult = result;
      relogins = 0;
    }
    bool stop = false;
    last = DeviceSettingsItem(&pending, &done, mode, last, &stop);
    if (stop) {
      *mask = done;
      return last;
    }
  }

  if (done == 0 && result == proto::kOk && requested != 0) {
    result = proto::kNotSupported;
  }
  *mask = done;
  if (download) {
    info.validMask |= done;
    *record = info;
  }
  if (options.progressHookOn != 0) {
    hooks_->ProgressHook(total, total, progress_phase::kFinished);
  }
  return result;
}

}  // namespace vesk
