// The trait: which modules a logger carries (bit 0 a radio, bit 3 a cellular modem). Devices that
// cannot report it have it worked out from their kind and their radio.
#include "device/answer_parsing.h"
#include "device/protocol_codes.h"
#include "device/protocol_device_type.h"
#include "device/quorl_protocol.h"

namespace vesk {
namespace {

constexpr uint32_t kTraitWithRadio = kTraitKnown | kTraitRadioFitted;

}  // namespace

int QUORL_Protocol::TraitCommand(uint32_t* trait, int mode) {
  if (trait == nullptr) {
    return proto::kMissingArgument;
  }
  Exchange ex(32);
  int rc;
  if (mode == kModeSet) {
    if ((*trait & kTraitKnown) == 0) {
      rc = proto::kOutOfRange;  // a trait never read must not overwrite the device's
    } else if (!Can(capability::kLoggerIdentity)) {
      rc = proto::kRefusedSetting;
    } else {
      rc = SendSetting(ex, Confirm::kOk, Refusal::kRefused, "set -trait %d\r",
                       ReportedFromTrait(*trait));
      if (rc > 0) {
        LogDetail("TraitCommand set trait to %d (%d ms)", static_cast<int>(*trait), Ms(ex.ms));
      }
    }
  } else if (info.typeCode == device_type::kKeldrum) {
    *trait = kTraitWithRadio;
    LogDetail("TraitCommand: set trait to %d for Keldrum", static_cast<int>(*trait));
    rc = proto::kOk;
  } else if (Can(capability::kAnswersTrait)) {
    rc = Ask(ex, "get -trait\r");
    if (rc > 0) {
      if (const auto reported = ReadInt(ex.answer)) {
        *trait = TraitFromReported(*reported);
        LogDetail("TraitCommand: found %d (%d ms)", static_cast<int>(*trait), Ms(ex.ms));
        rc = proto::kOk;
      } else {
        rc = proto::kBadAnswer;
      }
    }
  } else if (!Can(capability::kRadio)) {
    *trait = kTraitKnown;  // no radio possible
    rc = proto::kOk;
  } else if (OverRadio()) {
    *trait = kTraitWithRadio;
    LogDetail("TraitCommand (emulated): knows %d", static_cast<int>(*trait));
    rc = proto::kOk;
  } else {
    // A radio that reports its version is fitted.
    FixedText<9> rver{};
    uint32_t mask = setting::kRver;
    const int radio = MSRadioCommand(nullptr, nullptr, &rver, kModeGet, &mask);
    *trait = (mask & setting::kRver) != 0 ? kTraitWithRadio : kTraitKnown;
    if (radio >= 0) {
      LogDetail("TraitCommand (emulated): found %d", static_cast<int>(*trait));
      rc = proto::kOk;
    } else {
      rc = proto::kNothingDone;
    }
  }
  if (rc < 0) {
    LogFailure("TraitCommand failed with error %d (%d ms)", rc, Ms(ex.ms));
  }
  return rc;
}

}  // namespace vesk
