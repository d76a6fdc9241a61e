// Reaching a device over the radio: waking it, asking who listens, logging in by name.
#include <cstring>

#include "device/device_name.h"
#include "device/protocol_codes.h"
#include "device/quorl_protocol.h"
#include "serial/timing.h"

namespace vesk {
namespace {

constexpr uint32_t kQueryTimeoutMs = 3000;
constexpr uint32_t kAfterQueryMs = 2500;
constexpr uint32_t kLoginTimeoutMs = 1500;
constexpr int kWakeProgressEvery = 18;

}  // namespace

int QUORL_Protocol::QueryCommand(FixedText<9>* heard) {
  if (heard == nullptr) {
    return proto::kMissingArgument;
  }
  const uint32_t tries = retries;
  retries = 1;  // each try below is a single exchange
  int code = proto::kNoAnswer;
  Exchange ex(180);
  for (uint32_t attempt = 1; attempt <= tries; ++attempt) {
    if (options.progressHookOn != 0 &&
        !hooks_->ProgressHook(static_cast<int>(tries), static_cast<int>(attempt),
                              progress_phase::kQueryTry)) {
      code = proto::kCancelled;
      break;
    }
    // The leading carriage return ends whatever the device had half heard; its name ends at the
    // first carriage return of the answer.
    code = Ask(ex, "\rquery\r", '\r', kQueryTimeoutMs);
    if (code > 0) {
      const size_t cr = std::strcspn(ex.answer, "\r");
      CopyTruncated(*heard, std::string_view(ex.answer, cr));
      if (CheckDeviceName(TextOf(*heard)) == proto::kOk) {
        break;
      }
      continue;
    }
    if (code == proto::kEchoed) {
      break;
    }
  }
  retries = tries;

  if (code > 0) {
    LogDetail("QueryCommand heard from: %s (%d ms)", heard->data(), static_cast<int>(ex.ms));
    DelayMs(kAfterQueryMs, *pump);
    return proto::kOk;
  }
  if (code == proto::kCancelled) {
    LogDetail("QueryCommand canceled by user");
    return code;
  }
  if (code == proto::kEchoed) {
    LogFailure("QueryCommand is hearing \"query\" -- a relay must be active (%d ms)",
               static_cast<int>(ex.ms));
    return proto::kRelayRepeats;
  }
  if (code == proto::kNoAnswer) {
    LogDetail("QueryCommand didn't get any answers after %d tries (%d ms)", static_cast<int>(tries),
              static_cast<int>(ex.ms));
    return proto::kAttemptSilent;
  }
  LogFailure("QueryCommand failed with error %d (%d ms)", code, static_cast<int>(ex.ms));
  return code;
}

int QUORL_Protocol::LoginCommand(std::string_view name) {
  if (name.size() > kDeviceNameMax) {
    LogFailure("LoginCommand: Device name %.*s is wrong length (%d characters)",
               static_cast<int>(name.size()), name.data(), static_cast<int>(name.size()));
    return proto::kNameTooLong;
  }
  Exchange ex(10);
  const int rc = name.empty() ? Ask(ex, "login\r", '>', kLoginTimeoutMs)
                              : AskFormatted(ex, '>', kLoginTimeoutMs, "login %.*s\r",
                                             static_cast<int>(name.size()), name.data());
  if (rc > 0) {
    return ex.Has(">") ? proto::kOk : proto::kBadAnswer;
  }
  if (rc == proto::kEmptyAnswer) {
    return proto::kOk;  // the device merely showed its prompt: logged in
  }
  return rc;
}

int QUORL_Protocol::SendWake() {
  Echo(2, "\r<Sending Query Mode wake sequence...>\r");
  const bool reporting = options.progressHookOn != 0;
  bool keepingTime = true;
  bool keepGoing = true;
  for (int index = 0; index < kWakePackets; ++index) {
    size_t written = 0;
    DSWrite(*this, "\r", 1, written);
    uint32_t pause = wakeSpacingMs_;
    if (reporting && keepingTime) {
      const uint32_t before = TickMs();
      if (index % kWakeProgressEvery == 0) {
        keepGoing = hooks_->ProgressHook(kWakePackets, index, progress_phase::kProgress);
      }
      if (!keepGoing) {
        LogDetail("SendWake canceled by user after sending %d of %d packets", index, kWakePackets);
        return proto::kCancelled;
      }
      // The cadence matters more than the progress display: a hook slower than the spacing is
      // no longer asked.
      const uint32_t took = TickMs() - before;
      if (took >= wakeSpacingMs_) {
        pause = 0;
        keepingTime = false;
      } else {
        pause = wakeSpacingMs_ - took;
      }
    }
    DelayMs(pause, *pump);
  }
  if (reporting && !keepingTime) {
    LogDetail("SendWake executing too slow to send status (PIG status)!");
  }
  LogDetail("SendWake sent %d packets", kWakePackets);
  if (reporting) {
    hooks_->ProgressHook(kWakePackets, kWakePackets, progress_phase::kFinished);
  }
  return proto::kOk;
}

}  // namespace vesk
