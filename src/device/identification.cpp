// Finding out what answers on the line: the version question, the old firmware's "show", and
// what each kind of device can do.
#include <cctype>
#include <cstring>

#include "device/answer_parsing.h"
#include "device/protocol_codes.h"
#include "device/protocol_device_type.h"
#include "device/quorl_protocol.h"
#include "serial/timing.h"

namespace vesk {
namespace {

constexpr uint32_t kVerTimeoutSerialMs = 400;
constexpr uint32_t kVerTimeoutRadioMs = 800;
constexpr uint32_t kIncompleteAnswerPauseMs = 400;
constexpr uint32_t kBootLoaderPauseMs = 3000;
constexpr uint32_t kExtraVerAttempts = 3;
constexpr uint32_t kShowTimeoutMs = 1500;
constexpr int32_t kOldestShowVersion = 110;

}  // namespace

void QUORL_Protocol::DeviceCapabilities() {
  info.supportedMask = SupportedMaskFor(info.typeCode, info.verKnown != 0, info.version);
}

int QUORL_Protocol::VerCommand(bool skipShowParse) {
  if (info.typeCode == device_type::kRva && OldFirmware()) {
    return ParseShowCommand(nullptr);
  }
  const uint32_t timeout = OverRadio() ? kVerTimeoutRadioMs : kVerTimeoutSerialMs;
  const uint32_t start = TickMs();
  uint32_t attempt = 0;
  int empties = 0;
  int result = proto::kOk;

  while (attempt < retries + kExtraVerAttempts) {
    Exchange ex(32);
    const int rc = Ask(ex, "get -ver\r", '>', timeout);
    const char* a = ex.answer;
    const size_t length = std::strlen(a);

    if (retries == 1 && rc == proto::kNoAnswer) {
      result = rc;
    } else if (length >= 2 && a[1] == '>') {
      result = proto::kEchoed;  // one character and the prompt: an echo of what we sent
    } else if (std::strcmp(a, "\r") == 0 || std::strcmp(a, ">") == 0) {
      result = proto::kBadAnswer;
      ++empties;
      attempt = 0;  // this attempt becomes the first of a fresh count
      if (empties > 2) {
        break;
      }
      DelayMs(timeout, *pump);
    } else if (rc > 0 || rc == proto::kRefused) {
      if (std::strchr(a, '.') != nullptr) {
        const std::optional<std::string_view> line = VersionLineOf(a);
        if (!line) {
          // The line has not fully arrived; counting this as success would leave the device
          // unidentified, so it stays a failure unless a later attempt reads it.
          result = proto::kBadAnswer;
          DelayMs(kIncompleteAnswerPauseMs, *pump);
          ++attempt;
          continue;
        }
        CopyTruncated(info.versionText, *line);
        const std::optional<VersionFields> fields = ParseVersionLine(*line);
        if (!fields) {
          result = proto::kBadAnswer;
          DelayMs(kIncompleteAnswerPauseMs, *pump);
          ++attempt;
          continue;
        }
        FixedText<21> word = fields->word;
        for (char& c : word) {
          c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        }
        info.version = fields->version;
        info.verKnown = 1;
        info.typeCode = ProtocolDeviceTypeOfWord(TextOf(word));
        CopyTruncated(info.typeName, ProtocolDeviceTypeName(info.typeCode));
        DeviceCapabilities();
        result = proto::kOk;
        LogDetail("VerCommand found \"%s\" ver %d (%d ms)", info.versionText.data(), info.version,
                  static_cast<int>(TickMs() - start));
        break;
      }
      if (std::strchr(a, '+') != nullptr) {
        const char* p = a;
        while (*p == '\r') {
          ++p;
        }
        if (*p == '+' && std::strlen(p) >= 4) {
          result = proto::kBootLoaderActive;
          break;
        }
        // A stray '+' is no identification either.
        result = proto::kBadAnswer;
        LogDetail("VerCommand couldn't decipher \"%s\" (%d ms)", a,
                  static_cast<int>(TickMs() - start));
      } else if (std::strchr(a, '$') != nullptr) {
        if (result == proto::kBootLoaderWaiting) {
          break;
        }
        result = proto::kBootLoaderWaiting;
        DelayMs(kBootLoaderPauseMs, *pump);
      } else if (rc == proto::kRefused) {
        if (result == proto::kOk) {
          result = proto::kBadAnswer;
          DelayMs(kIncompleteAnswerPauseMs, *pump);
        } else {
          // Firmware from before "get -ver": only the Rva ever shipped with it.
          info.verKnown = 0;
          info.typeCode = device_type::kRva;
          LogDetail("VerCommand found Rva with old firmware (%d ms)",
                    static_cast<int>(TickMs() - start));
          if (!skipShowParse) {
            ParseShowCommand(nullptr);
          }
          DeviceCapabilities();
          result = proto::kOk;
          break;
        }
      } else {
        result = proto::kBadAnswer;
        LogDetail("VerCommand couldn't decipher \"%s\" (%d ms)", a,
                  static_cast<int>(TickMs() - start));
      }
    } else if (rc == proto::kNoAnswer) {
      result = rc;
      break;
    } else {
      result = rc;
    }
    ++attempt;
  }

  if (result < 0) {
    LogFailure("VerCommand failed with error %d (%d ms)", result,
               static_cast<int>(TickMs() - start));
    info.verKnown = 0;
    info.typeCode = 0;
    info.versionText = {};
    info.version = 0;
  }
  return result;
}

int QUORL_Protocol::ParseShowCommand(FixedText<9>* nameOnly) {
  if (!(info.typeCode == device_type::kRva && OldFirmware())) {
    LogFailure("ParseShowCommand doesn't work with devices running \"new\" firmware.");
    return proto::kOutOfRange;
  }
  Exchange ex(180);
  const int rc = Ask(ex, "show\r", '>', kShowTimeoutMs);
  int errors = 0;
  if (rc > 0) {
    const ShowAnswer show = ParseShowAnswer(ex.answer);
    if (show.hasId && nameOnly != nullptr) {
      if (show.name.empty()) {
        return proto::kBadAnswer;
      }
      CopyTruncated(*nameOnly, show.name);
      return proto::kOk;
    }
    if (show.hasId && !show.name.empty()) {
      CopyTruncated(info.name, show.name);
    } else {
      errors += 1;
    }
    if (show.hasVersion) {
      CopyTruncated(info.versionText, show.versionText);
      if (show.version) {
        info.version = *show.version;
      } else {
        errors += 2;
      }
    }
    if (info.version < kOldestShowVersion) {
      return proto::kNotAvailable;
    }
    if (show.rmode) {
      info.rmode = *show.rmode;
    } else {
      errors += 4;
    }
    if (show.wake) {
      info.wake = *show.wake;
    } else {
      errors += 8;
    }
    if (show.resets) {
      resets = *show.resets;
    } else {
      errors += 16;
    }
  }

  info.sn = {};
  if (rc < 0 || errors != 0) {
    LogFailure("ParseShowCommand failed with errors %d and %d (%d ms)", rc, errors,
               static_cast<int>(ex.ms));
    info.name = {};
    info.versionText = {};
    info.version = -1;
    info.wake = -1;
    info.rmode = 0;
    return proto::kBadAnswer;
  }
  LogFailure("ParseShowCommand found %s:%s:%d:%d:%d (%d ms)", info.name.data(),
             info.versionText.data(), info.rmode, info.wake, resets, static_cast<int>(ex.ms));
  return proto::kOk;
}

}  // namespace vesk
