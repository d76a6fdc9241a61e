// Confirming the erase of a logger's stored data, only for the device that was connected.
#include <cstring>

#include "device/answer_parsing.h"
#include "device/protocol_codes.h"
#include "device/quorl_protocol.h"

namespace vesk {
namespace {

constexpr uint32_t kEraseTimeoutMs = 17000;

}  // namespace

int QUORL_Protocol::EraseData() {
  // Ask the device who it is now: another logger plugged in since the connection must keep its
  // data. Old firmware ends its erase answer with '!' instead of the prompt.
  const bool oldFirmware = OldFirmware();
  FixedText<9> fresh{};
  const int identity = oldFirmware ? ParseShowCommand(&fresh) : NameCommand(&fresh, kModeGet);
  if (identity <= 0) {
    LogFailure("EraseData failed checking the identity of device (error %d)", identity);
    return proto::kIdentityMismatch;
  }
  if (std::strncmp(info.name.data(), fresh.data(), 8) != 0) {
    LogFailure("EraseData: Identity mismatch. Class: %s, Device: %s", info.name.data(),
               fresh.data());
    return proto::kIdentityMismatch;
  }

  Exchange ex(32);
  const int rc = Ask(ex, "yes\r", oldFirmware ? '!' : '>', kEraseTimeoutMs);
  const int result = EraseConfirmationResult(rc, ex.answer);
  if (result > 0) {
    LogDetail("InitializeDevice erased device data (%d ms)", static_cast<int>(ex.ms));
  } else if (result == proto::kDataFlashBroken) {
    LogFailure("EraseData failed due to a broken DataFlash (%d ms)", static_cast<int>(ex.ms));
  } else {
    LogFailure("EraseData failed with error %d (%d ms)", result, static_cast<int>(ex.ms));
  }
  return result;
}

}  // namespace vesk
