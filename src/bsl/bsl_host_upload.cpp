// Rewriting the device's memory: erasing, uploading the image, and the vectors.
#include <cstring>

#include "bsl/bsl_host.h"
#include "bsl/bsl_host_internal.h"
#include "serial/timing.h"
#include "text/hex_digits.h"

namespace vesk {

using bsl_detail::kHostTag;
using bsl_detail::kRetryPauseMs;
using bsl_detail::Pause;

namespace {

constexpr uint32_t kProgressEverySegments = 10;
constexpr size_t kProgressEveryChars = 512;
constexpr uint32_t kVectorPauseMs = 50;
constexpr uint32_t kFirstAboveProtected = 0x10000;
constexpr size_t kAddressDigits = 5;

// Erases the segment holding `address`, with the host's attempts.
int32_t EraseSegment(VeskBSLHost& host, uint32_t address, bool fiveDigits) {
  int32_t result = kBslNoAttempt;
  for (uint32_t attempt = 0; attempt < host.bslRetries; ++attempt) {
    BslAnswer answer;
    uint32_t ms = 0;
    result = BSLCommandHex(host, 'X', &address, 1, '\r', &answer, ms, fiveDigits);
    if (result > 0) {
      break;
    }
    Pause(host, kRetryPauseMs);
  }
  return result;
}

// Writes the block in host.blockBuffer at `address`. After a refused attempt the boot loader's
// write address may have moved on, so it is set again before the same block is repeated.
int32_t SendBlock(VeskBSLHost& host, size_t length, uint32_t address, bool fiveDigits) {
  int32_t result = kBslNoAttempt;
  for (uint32_t attempt = 0; attempt < host.bslRetries; ++attempt) {
    BslAnswer answer;
    uint32_t ms = 0;
    result = BSLCommand(host, 'W', host.blockBuffer.data(), length, '\r', &answer, ms);
    if (result > 0) {
      break;
    }
    Pause(host, kRetryPauseMs);
    const int32_t readdressed = BSLSendAddress(host, address, fiveDigits);
    if (readdressed < 0) {
      return readdressed;
    }
  }
  return result;
}

// The address after the "@" at `at`: all five digits, or with four-digit addresses the last four
// (the device cannot take more). False for an unreadable header, or an address that four digits
// cannot carry: written there it would land at another address.
bool SegmentAddress(const std::string& text, size_t at, bool fiveDigits, uint32_t& address) {
  if (at + kAddressDigits >= text.size()) {
    return false;
  }
  uint32_t value = 0;
  for (size_t i = 1; i <= kAddressDigits; ++i) {
    const char c = text[at + i];
    if (!IsHexDigit(c)) {
      return false;
    }
    value = value * 16 + static_cast<uint32_t>(c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10);
  }
  if (!fiveDigits && value > 0xFFFF) {
    return false;
  }
  address = value;
  return true;
}

}  // namespace

int32_t BSLEraseINFO(VeskBSLHost& host, int32_t start, int32_t segments, int32_t size,
                     bool fiveDigits) {
  const uint32_t began = TickMs();
  int32_t result = 1;
  if (segments > 0 && (start < 0 || size <= 0)) {
    result = kBslOutOfRange;
  }
  for (int32_t i = 0; i < segments && result > 0; ++i) {
    const auto address = static_cast<uint32_t>(start) + static_cast<uint32_t>(i * size);
    const int32_t erased = EraseSegment(host, address, fiveDigits);
    if (erased < 0) {
      result = erased;
    }
  }
  const long ms = static_cast<long>(bsl_detail::SinceMs(began));
  if (result < 0) {
    LogWrite(host.hostLog, kLogFailure, kHostTag, "BSLEraseINFO failed with error %d (%ld ms)",
             result, ms);
  } else {
    LogWrite(host.hostLog, kLogResult, kHostTag,
             "BSLEraseINFO successful: %d segments @ %X (%ld ms)", segments,
             static_cast<unsigned>(start), ms);
  }
  return result;
}

int32_t BSLEraseFlash(VeskBSLHost& host, int32_t start, int32_t end, bool fiveDigits) {
  if (start >= static_cast<int32_t>(kBslProtectedStart) &&
      start <= static_cast<int32_t>(kBslProtectedEnd)) {
    return kBslOutOfRange;
  }
  if (start < 0) {
    return kBslOutOfRange;
  }
  const uint32_t began = TickMs();
  const auto first = static_cast<uint32_t>(start);
  const uint32_t last = end > start ? static_cast<uint32_t>(end) : first;
  const uint32_t total = (last - first) / kBslFlashSegment;
  int32_t result = 1;
  uint32_t sent = 0;
  for (uint32_t address = first; address < last;) {
    if (host.reportProgress && sent % kProgressEverySegments == 0 &&
        !host.progress->ReportProgress(total, (address - first) / kBslFlashSegment,
                                       kProgressWorking, kProgressErase)) {
      result = kBslCancelled;
      break;
    }
    const int32_t erased = EraseSegment(host, address, fiveDigits);
    if (erased < 0) {
      result = erased;
      break;
    }
    ++sent;
    address += kBslFlashSegment;
    if (address >= kBslProtectedStart && address <= kBslProtectedEnd) {
      address = kFirstAboveProtected;
    }
  }
  // The last report closes the bar; after a failure the owner reports that instead.
  if (result > 0 && host.reportProgress) {
    host.progress->ReportProgress(total, total, kProgressDone, kProgressErase);
  }
  const long seconds = static_cast<long>(bsl_detail::SinceMs(began) / 1000);
  if (result < 0) {
    LogWrite(host.hostLog, kLogFailure, kHostTag, "BSLEraseFlash failed with error %d (%ld s)",
             result, seconds);
  } else {
    LogWrite(host.hostLog, kLogResult, kHostTag,
             "BSLEraseFlash successful: segment %X to %X (%ld s)", static_cast<unsigned>(start),
             static_cast<unsigned>(end), seconds);
  }
  return result;
}

int32_t BSLSendFirmware(VeskBSLHost& host, bool fiveDigits) {
  const std::string& text = host.image.imageText;
  if (text.empty()) {
    return kBslMissingArgument;
  }
  if (text[0] != '@') {
    return kBslOutOfRange;
  }
  const uint32_t began = TickMs();
  const auto length = static_cast<uint32_t>(text.size());
  int32_t result = 1;
  size_t block = 0;
  uint32_t blockAddress = 0;
  size_t position = 0;
  while (position < text.size() && result >= 0) {
    if (host.reportProgress && position % kProgressEveryChars == 0 &&
        !host.progress->ReportProgress(length, static_cast<uint32_t>(position), kProgressWorking,
                                       kProgressUpload)) {
      result = kBslCancelled;
      break;
    }
    const char c = text[position];
    if (c == '@') {
      if (block > 0) {
        result = SendBlock(host, block, blockAddress, fiveDigits);
        block = 0;
        if (result < 0) {
          break;
        }
      }
      uint32_t address = 0;
      if (!SegmentAddress(text, position, fiveDigits, address)) {
        result = kBslOutOfRange;
        break;
      }
      result = BSLSendAddress(host, address, fiveDigits);
      if (result < 0) {
        break;
      }
      blockAddress = address;
      position += 1 + kAddressDigits;
      continue;
    }
    host.blockBuffer[block++] = c;
    if (block == kBslBlockChars) {
      result = SendBlock(host, block, blockAddress, fiveDigits);
      block = 0;
      blockAddress += kBslBlockChars / 2;
    }
    ++position;
  }
  if (result > 0 && block > 0) {
    result = SendBlock(host, block, blockAddress, fiveDigits);
  }
  if (result > 0 && host.reportProgress) {
    host.progress->ReportProgress(length, length, kProgressDone, kProgressUpload);
  }
  const int seconds = static_cast<int>(bsl_detail::SinceMs(began) / 1000);
  if (result < 0) {
    LogWrite(host.hostLog, kLogFailure, kHostTag, "BSLSendFirmware failed with error %d (%d s)",
             result, seconds);
  } else {
    LogWrite(host.hostLog, kLogResult, kHostTag, "BSLSendFirmware successful (%d s)", seconds);
  }
  return result;
}

int32_t BSLSendVectors(VeskBSLHost& host) {
  Pause(host, kVectorPauseMs);
  std::array<uint32_t, kVectorCount> words{};
  for (size_t i = 0; i < kVectorCount; ++i) {
    words[i] = host.image.vectors[i] & 0xFFFF;  // only the low 16 bits are a vector
  }
  int32_t result = 0;
  for (uint32_t attempt = 0; attempt < host.bslRetries; ++attempt) {
    BslAnswer answer;
    uint32_t ms = 0;
    const int32_t sent =
        BSLCommandHex(host, 'V', words.data(), words.size(), '+', &answer, ms, false);
    if (sent > 0) {
      result = sent;
      break;
    }
    Pause(host, kRetryPauseMs);
  }
  if (result <= 0) {
    // The device often restarts the moment it has the vectors, before its "+" gets out.
    LogWrite(host.hostLog, kLogFailure, kHostTag,
             "BSLSendVectors with digital sensor didn't hear ACK");
    result = 0;
  }
  LogWrite(host.hostLog, kLogResult, kHostTag, "BSLSendVectors successful");
  return result;
}

}  // namespace vesk
