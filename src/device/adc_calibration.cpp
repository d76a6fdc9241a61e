// The ADC calibration factors: five slopes and five offsets per set, guarded by a check sum.
// Devices with the short form keep only the first slope and offset.
#include "device/answer_parsing.h"
#include "device/protocol_codes.h"
#include "device/quorl_protocol.h"

namespace vesk {
namespace {

constexpr uint32_t kFactorCeiling = 255;

}  // namespace

int QUORL_Protocol::ADCcalCommand(int set, Ports* slopes, Ports* offsets, int mode) {
  if (slopes == nullptr || offsets == nullptr) {
    return proto::kMissingArgument;
  }
  if (!Can(capability::kAdcCalibration)) {
    return proto::kNotSupported;
  }
  if (set != kAdcSet30 && set != kAdcSet15) {
    return proto::kOutOfRange;
  }
  const char* name = set == kAdcSet30 ? "-adc30" : "-adc15";
  const bool shortForm = Can(capability::kShortAdcCalibration);
  Ports& s = *slopes;
  Ports& o = *offsets;
  Exchange ex(128);
  int rc;
  if (mode == kModeSet) {
    if (shortForm) {
      const unsigned sum = (s[0] + o[0]) % 256u;
      rc = SendSetting(ex, Confirm::kOk, Refusal::kRefused, "set %s %u %u %u\r", name, s[0], o[0],
                       sum);
    } else {
      rc = SendSetting(ex, Confirm::kOk, Refusal::kRefused,
                       "set %s %u %u %u %u %u %u %u %u %u %u %u\r", name, s[0], o[0], s[1], o[1],
                       s[2], o[2], s[3], o[3], s[4], o[4], AdcCheckSum(s, o));
    }
    if (rc > 0) {
      const unsigned sum = shortForm ? (s[0] + o[0]) % 256u : AdcCheckSum(s, o);
      LogDetail("ADCcalCommand set %s %u %u %u %u %u %u %u %u %u %u %u (%d ms)", name, s[0], o[0],
                s[1], o[1], s[2], o[2], s[3], o[3], s[4], o[4], sum, Ms(ex.ms));
    }
  } else {
    rc = AskFormatted(ex, '>', 1500, "get %s\r", name);
    if (rc > 0) {
      const AdcNumbers numbers = ReadAdcNumbers(ex.answer);
      const int wanted = shortForm ? 3 : 11;
      if (numbers.count != wanted) {
        LogDetail("ADCcalCommand only found %d of %d cal %s factors (%d ms)", numbers.count, 11,
                  name, Ms(ex.ms));
        rc = proto::kBadAnswer;
      } else {
        rc = proto::kOk;
        // Slope and offset pairs come first; the check sum is the last number read. Out-of-range
        // values are kept (clamped) so that the caller sees what the device holds.
        auto keep = [&rc](uint32_t value, uint8_t& target) {
          if (value == 0 || value >= kFactorCeiling) {
            rc = proto::kNotSupported;
          }
          target = static_cast<uint8_t>(value >= kFactorCeiling ? kFactorCeiling : value);
        };
        const size_t pairs = shortForm ? 1 : 5;
        for (size_t i = 0; i < pairs; ++i) {
          keep(numbers.values[2 * i], s[i]);
          keep(numbers.values[2 * i + 1], o[i]);
        }
        const uint32_t sumRead = numbers.values[static_cast<size_t>(wanted - 1)];
        if (AdcCheckSum(s, o) != sumRead) {
          rc = proto::kNotSupported;
        }
        LogDetail("ADCcalCommand found (%s) %s %u %u %u %u %u %u %u %u %u %u %u (%d ms)",
                  rc > 0 ? "valid" : "not valid", name, s[0], o[0], s[1], o[1], s[2], o[2], s[3],
                  o[3], s[4], o[4], sumRead, Ms(ex.ms));
      }
    }
  }
  if (rc < 0) {
    LogFailure("ADCcalCommand (%s) failed with error %d (%d ms)", name, rc, Ms(ex.ms));
  }
  return rc;
}

}  // namespace vesk
