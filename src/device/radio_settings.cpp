// The radio parameters: channel (rch), sub-channel (rsch) and the radio's version (rver), read
// from or written to a logger's radio, or programmed into the local Wq3 radio modem with Hayes
// AT commands.
#include <cstring>

#include "device/answer_parsing.h"
#include "device/protocol_codes.h"
#include "device/protocol_device_type.h"
#include "device/quorl_protocol.h"
#include "serial/timing.h"

namespace vesk {
namespace {

constexpr uint32_t kAtTimeoutMs = 1500;
constexpr uint32_t kAtSaveTimeoutMs = 2000;
constexpr int kCommandModeTries = 2;
constexpr uint32_t kAfterWq3Ms = 100;
constexpr uint32_t kTermPauseMs = 500;
constexpr uint32_t kRadioTimeoutMs = 2000;
constexpr uint32_t kMaxChannel = 6;
constexpr uint32_t kMaxSubChannel = 0xFFFF;

int Since(uint32_t start) {
  return static_cast<int>(TickMs() - start);
}

}  // namespace

int QUORL_Protocol::Wq3Config(int32_t* rch, int32_t* rsch, FixedText<9>* rver, int mode,
                              uint32_t* mask) {
  if (mask == nullptr) {
    return proto::kMissingArgument;
  }
  const uint32_t start = TickMs();
  const uint32_t requested = *mask;
  Exchange ex(32);

  int rc = proto::kRadioModemFailed;
  bool commandMode = false;
  for (int attempt = 0; attempt < kCommandModeTries && !commandMode; ++attempt) {
    rc = Ask(ex, "+++", 'K', kAtTimeoutMs);
    commandMode = rc > 0 && ex.Has("OK");
    if (rc > 0 && !commandMode) {
      rc = proto::kRadioModemFailed;
    }
  }
  if (!commandMode) {
    LogFailure("Wq3Config failed to get into AT command mode: %d (%d ms)", rc, Since(start));
    *mask = 0;
    return proto::kRadioModemFailed;
  }

  uint32_t done = 0;
  int errors = 0;
  int result = proto::kOk;
  if (mode == kModeSet) {
    if ((requested & setting::kRch) != 0 && rch != nullptr) {
      rc = AskFormatted(ex, 'K', kAtTimeoutMs, "ATHP%X\r", static_cast<unsigned>(*rch));
      if (rc < 0) {
        errors += 1;
        result = rc;
      } else if (ex.Has("OK")) {
        LogDetail("Wq3Config set rch to %d (%d ms)", *rch, Since(start));
        done |= setting::kRch;
      } else {
        errors += 1;
      }
    }
    if ((requested & setting::kRsch) != 0 && rsch != nullptr) {
      rc = AskFormatted(ex, 'K', kAtTimeoutMs, "ATDT%X\r", static_cast<unsigned>(*rsch));
      if (rc < 0) {
        errors += 2;
        result = rc;
      } else if (ex.Has("OK")) {
        LogDetail("Wq3Config set rsch to %d (%d ms)", *rsch, Since(start));
        done |= setting::kRsch;
      } else {
        errors += 2;
      }
    }
    rc = Ask(ex, "ATWR\r", 'K', kAtSaveTimeoutMs);
    if (rc < 0) {
      errors += 8;
      result = rc;
    } else if (ex.Has("OK")) {
      LogDetail("Wq3Config saved configuration (%d ms)", Since(start));
      result = proto::kOk;
    } else {
      errors += 8;
    }
  } else {
    if ((requested & setting::kRch) != 0 && rch != nullptr) {
      rc = Ask(ex, "ATHP\r", '\r', kAtTimeoutMs);
      if (rc < 0) {
        errors += 1;
      } else if (const auto value = ReadHex(ex.answer)) {
        *rch = static_cast<int32_t>(*value);
        done |= setting::kRch;
        LogDetail("Wq3Config found rch %d (%d ms)", *rch, Since(start));
      } else {
        LogDetail("Wq3Config could not find rch (%d ms)", Since(start));
        errors += 1;
      }
    }
    if ((requested & setting::kRsch) != 0 && rsch != nullptr) {
      rc = Ask(ex, "ATDT\r", '\r', kAtTimeoutMs);
      if (rc < 0) {
        errors += 2;
      } else if (const auto value = ReadHex(ex.answer)) {
        *rsch = static_cast<int32_t>(*value);
        done |= setting::kRsch;
        LogDetail("Wq3Config found rsch %d (%d ms)", *rsch, Since(start));
      } else {
        LogDetail("Wq3Config could not find rsch (%d ms)", Since(start));
        errors += 2;
      }
    }
    if ((requested & setting::kRver) != 0 && rver != nullptr) {
      rc = Ask(ex, "ATVR\r", '\r', kAtTimeoutMs);
      if (rc < 0) {
        errors += 4;
      } else if (const std::string_view word = ReadWord(ex.answer, 8); !word.empty()) {
        CopyTruncated(*rver, word);
        LogDetail("Wq3Config found rver %s (%d ms)", rver->data(), Since(start));
        done |= setting::kRver;
      } else {
        LogDetail("Wq3Config could not find rver (%d ms)", Since(start));
        errors += 4;
      }
    }
  }

  rc = Ask(ex, "ATCN\r", 'K', kAtTimeoutMs);
  if (rc > 0 && !ex.Has("OK")) {
    rc = proto::kNotSupported;
  }
  if (rc < 0) {
    LogFailure("Wq3Config failed to get out of AT command mode: %d (%d ms)", rc, Since(start));
    return rc;
  }
  if (result < 0 || errors > 0) {
    if (done != 0) {
      result = proto::kPartlyFailed;
    }
    LogFailure("Wq3Config failed with error %d and %d (%d ms)", result, errors, Since(start));
  }
  *mask = done;
  DelayMs(kAfterWq3Ms, *pump);
  return result;
}

void QUORL_Protocol::WriteRadioItem(bool subChannel, int32_t value, uint32_t* got, uint32_t* failed,
                                    int* result) {
  const uint32_t bit = subChannel ? setting::kRsch : setting::kRch;
  // An Rva passes the command on to its modem and reports both answers.
  const char* confirmation = info.typeCode == device_type::kRva ? "OK\r\rOK" : "OK";
  Exchange ex(32);
  for (uint32_t attempt = 0; attempt < retries; ++attempt) {
    const int rc =
        subChannel
            ? AskFormatted(ex, '>', kRadioTimeoutMs, "set -rsch %X\r", static_cast<unsigned>(value))
            : AskFormatted(ex, '>', kRadioTimeoutMs, "set -rch %X\r", static_cast<unsigned>(value));
    if (rc < 0) {
      *failed |= bit;
      *result = rc;
      continue;
    }
    if (ex.Has("No Radio")) {
      *result = proto::kNoRadio;
      *failed |= bit;
      return;
    }
    if (ex.Has(confirmation)) {
      if (subChannel) {
        LogDetail("MSRadioCommand set rsch to %d (%d ms)", value, static_cast<int>(ex.ms));
      } else {
        LogDetail("MSRadioCommand set rch to %d (%d ms)", value, static_cast<int>(ex.ms));
      }
      *got |= bit;
      *failed &= ~bit;
      return;
    }
    *failed |= bit;
  }
}

void QUORL_Protocol::ReadRadioItem(bool subChannel, int32_t* value, uint32_t* got, uint32_t* failed,
                                   int* result) {
  const uint32_t bit = subChannel ? setting::kRsch : setting::kRch;
  const uint32_t limit = subChannel ? kMaxSubChannel : kMaxChannel;
  Exchange ex(32);
  for (uint32_t attempt = 0; attempt < retries; ++attempt) {
    const int rc = Ask(ex, subChannel ? "get -rsch\r" : "get -rch\r", '>', kRadioTimeoutMs);
    if (rc == proto::kEmptyAnswer) {
      *result = proto::kNothingDone;
      *failed |= bit;
      continue;
    }
    if (rc < 0) {
      *failed |= bit;
      *result = rc;
      continue;
    }
    if (ex.Has("No Radio")) {
      *result = proto::kNoRadio;
      *failed |= bit;
      break;
    }
    const std::optional<uint32_t> read = ReadHex(RadioValueOf(ex.answer));
    if (read && *read <= limit) {
      *value = static_cast<int32_t>(*read);
      if (subChannel) {
        LogDetail("MSRadioCommand found rsch %d (%d ms)", *value, static_cast<int>(ex.ms));
      } else {
        LogDetail("MSRadioCommand found rch %d (%d ms)", *value, static_cast<int>(ex.ms));
      }
      *got |= bit;
      *failed &= ~bit;
      return;
    }
    *failed |= bit;
  }
  if ((*failed & bit) != 0) {
    if (subChannel) {
      LogDetail("MSRadioCommand could not find rsch (%d ms)", static_cast<int>(ex.ms));
    } else {
      LogDetail("MSRadioCommand could not find rch (%d ms)", static_cast<int>(ex.ms));
    }
  }
}

int QUORL_Protocol::MSRadioCommand(int32_t* rch, int32_t* rsch, FixedText<9>* rver, int mode,
                                   uint32_t* mask) {
  if (mask == nullptr) {
    return proto::kMissingArgument;
  }
  if (!Can(capability::kRadio)) {
    *mask = 0;
    return proto::kNotSupported;
  }
  const uint32_t start = TickMs();
  const uint32_t requested = *mask;

  if (OverRadio()) {
    if (mode == kModeSet) {
      LogDetail("MSRadioCommand can't set radio parameters while connected over the radio");
      *mask = 0;
      return proto::kRefusedSetting;
    }
    if (rver != nullptr) {
      *rver = {};
    }
    int32_t channel = connection.radioChannel;
    int32_t subChannel = connection.radioSubChannel;
    if (connection.configureRadio != 0) {
      // The modem was programmed with these when the connection was made.
      if (rch != nullptr) {
        *rch = channel;
      }
      if (rsch != nullptr) {
        *rsch = subChannel;
      }
      *mask = setting::kRch | setting::kRsch;
      LogDetail("MSRadioCommand knows the RCH is %d and RSCH is %d (can't get RVER)", channel,
                subChannel);
      return proto::kOk;
    }
    uint32_t wq3Mask = setting::kRch | setting::kRsch;
    const int rc = Wq3Config(rch != nullptr ? rch : &channel, rsch != nullptr ? rsch : &subChannel,
                             nullptr, kModeGet, &wq3Mask);
    *mask = wq3Mask;
    LogDetail(
        "MSRadioCommand asked the Wq3 and found the RCH is %d and RSCH is %d (can't get RVER)",
        rch != nullptr ? *rch : channel, rsch != nullptr ? *rsch : subChannel);
    return rc;
  }

  if (OldFirmware()) {
    if (info.typeCode != device_type::kRva) {
      *mask = 0;
      return proto::kNoAnswer;
    }
    // The old Rva reaches its radio modem through its terminal mode; "term" again leaves it.
    size_t written = 0;
    DSWrite(*this, "term\r", 5, written);
    Echo(2, "term\r");
    DelayMs(kTermPauseMs, *pump);
    const int rc = Wq3Config(rch, rsch, rver, mode, mask);
    DelayMs(kTermPauseMs, *pump);
    Exchange ex(32);
    Ask(ex, "term\r", '>', 1500);
    return rc;
  }

  uint32_t failed = 0;
  uint32_t got = 0;
  int result = proto::kOk;
  if (mode == kModeSet) {
    if ((requested & setting::kRch) != 0 && rch != nullptr) {
      WriteRadioItem(false, *rch, &got, &failed, &result);
    }
    if ((requested & setting::kRsch) != 0 && rsch != nullptr) {
      WriteRadioItem(true, *rsch, &got, &failed, &result);
    }
  } else {
    if ((requested & setting::kRver) != 0 && rver != nullptr) {
      Exchange ex(32);
      for (uint32_t attempt = 0; attempt < retries; ++attempt) {
        const int rc = Ask(ex, "get -rver\r", '>', kRadioTimeoutMs);
        if (rc == proto::kEmptyAnswer) {
          result = proto::kNothingDone;
          continue;
        }
        if (rc < 0) {
          failed |= setting::kRver;
          result = rc;
          continue;
        }
        if (ex.Has("No Radio")) {
          result = proto::kNoRadio;
          failed |= setting::kRver;
          break;
        }
        const std::string_view word = ReadWord(RadioValueOf(ex.answer), 8);
        if (word.substr(0, 2) == "00") {
          // A radio that reports version 00.. is not fitted.
          result = proto::kNoRadio;
          *rver = {};
          break;
        }
        if (IsFourHexDigits(word)) {
          CopyTruncated(*rver, word);
          LogDetail("MSRadioCommand found rver %s (%d ms)", rver->data(), static_cast<int>(ex.ms));
          got |= setting::kRver;
          failed &= ~setting::kRver;
          break;
        }
        failed |= setting::kRver;
      }
      if ((failed & setting::kRver) != 0) {
        LogDetail("MSRadioCommand could not find rver (%d ms)", static_cast<int>(ex.ms));
      }
    }
    if (result != proto::kNoRadio) {
      if ((requested & setting::kRch) != 0 && rch != nullptr) {
        ReadRadioItem(false, rch, &got, &failed, &result);
      }
      if ((requested & setting::kRsch) != 0 && rsch != nullptr) {
        ReadRadioItem(true, rsch, &got, &failed, &result);
      }
    }
  }

  if ((result == proto::kNothingDone || result == proto::kNoRadio) && got == 0) {
    LogDetail("MSRadioCommand couldn't find a radio (%d ms)", Since(start));
  } else if (result < 0 || failed != 0) {
    if (got != 0) {
      result = proto::kPartlyFailed;
    }
    LogFailure("MSRadioCommand failed with error %d setting %d (%d ms)", result,
               static_cast<int>(failed), Since(start));
  }
  *mask = got;
  return result;
}

}  // namespace vesk
