#include "cli/commands/bsl_flash_failures.h"

#include "bsl/bsl_host.h"
#include "cli/commands/bsl_flash_command.h"

namespace vesk::cli {
namespace {

constexpr std::string_view kRerunHint =
    "The device stays in its boot loader: check the cable and the power, then run bsl-flash "
    "again to finish the rescue.";

const char* Doing(FlashStep step) {
  switch (step) {
    case FlashStep::kConnect:
      return "connecting";
    case FlashStep::kEraseInfo:
      return "erasing the INFO memory";
    case FlashStep::kEraseFlash:
      return "erasing the flash memory";
    case FlashStep::kUpload:
      return "writing the firmware";
  }
  return "working";
}

// Results of the boot-loader protocol itself; every other result of BSLConnect comes from
// opening the port.
bool IsProtocolResult(int32_t code) {
  switch (code) {
    case kBslRefused:
    case kBslMissingArgument:
    case kBslOutOfRange:
    case kBslNoAnswer:
    case kBslNoAttempt:
    case kBslCancelled:
    case kBslActive:
    case kBslWaiting:
    case kBslUnreachable:
    case kBslMissing:
      return true;
    default:
      return false;
  }
}

std::string PortMessage(int32_t code, std::string_view port) {
  const std::string name(port);
  switch (code) {
    case -2:
      return "Cannot open " + name + ": there is no such port.";
    case -5:
      return "Cannot open " + name +
             ": it is in use by another program, or you are not allowed to use it.";
    default:
      return "Cannot open " + name + " (error " + std::to_string(code) + ").";
  }
}

}  // namespace

const char* FlashStepName(FlashStep step) {
  switch (step) {
    case FlashStep::kConnect:
      return "connect";
    case FlashStep::kEraseInfo:
      return "erase-info";
    case FlashStep::kEraseFlash:
      return "erase-flash";
    case FlashStep::kUpload:
      return "upload";
  }
  return "unknown";
}

FlashFailure ExplainFlashFailure(FlashStep step, int32_t code, std::string_view port) {
  const std::string error = " (error " + std::to_string(code) + ")";
  const std::string name(port);
  if (code == kBslCancelled) {
    return {kFlashExitStopped, "Stopped on request while " + std::string(Doing(step)) +
                                   ". The device's memory is only partly written; run "
                                   "bsl-flash again to finish the rescue."};
  }
  if (step == FlashStep::kConnect) {
    if (!IsProtocolResult(code)) {
      return {kFlashExitPort, PortMessage(code, port)};
    }
    if (code == kBslMissing) {
      return {kFlashExitNoBootLoader,
              "The device on " + name +
                  " does not have a working firmware loader: it reported \"VeskBSL MISSING\", "
                  "or did not answer \"boot\"" +
                  error + ".\nPlease contact Norquil for help."};
    }
    return {kFlashExitUnreachable,
            "Cannot reach the firmware loader of the device on " + name + error +
                ".\nCheck the cable, the device's power and the speed (--baud, --device-type), "
                "then try again."};
  }
  if (code == kBslRefused) {
    return {kFlashExitRefused, "The device refused a command while " + std::string(Doing(step)) +
                                   error + ".\n" + std::string(kRerunHint)};
  }
  if (code == kBslOutOfRange || code == kBslMissingArgument) {
    return {kFlashExitDoesNotFit, "The image does not fit this device's memory map" + error +
                                      ": check --device-type and the firmware file."};
  }
  return {kFlashExitNoAnswer, "The device stopped answering while " + std::string(Doing(step)) +
                                  error + ".\n" + std::string(kRerunHint)};
}

}  // namespace vesk::cli
