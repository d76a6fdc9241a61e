#include "cli/commands/bsl_flash_command.h"

#include <unistd.h>

#include <chrono>
#include <iostream>

#include "bsl/bsl_host.h"
#include "bsl/build_constants.h"
#include "bsl/device_type_table.h"
#include "bsl/firmware_file_messages.h"
#include "bsl/image_names.h"
#include "bsl/ti_text.h"
#include "cli/commands/bsl_flash_failures.h"
#include "cli/device_options.h"
#include "cli/interrupt_request.h"
#include "cli/progress_output.h"
#include "serial/posix_serial_backend.h"

namespace vesk::cli {
namespace {

constexpr uint32_t kConnectAttempts = 3;
constexpr const char* kCliTag = "veskbsl-cli";

// Passes the host's progress reports to the output, and a stop request back to the host.
class FlashProgress final : public BslProgress {
 public:
  FlashProgress(ProgressOutput& output, const InterruptRequest& interrupt)
      : output_(output), interrupt_(interrupt) {}

  bool ReportProgress(uint32_t total, uint32_t done, int /*phase*/, char kind) override {
    output_.Progress(kind == kProgressErase ? FlashStepName(FlashStep::kEraseFlash)
                                            : FlashStepName(FlashStep::kUpload),
                     done, total);
    return !interrupt_.Requested();
  }

 private:
  ProgressOutput& output_;
  const InterruptRequest& interrupt_;
};

std::string Hex(int32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "%X", static_cast<unsigned>(value));
  return text;
}

}  // namespace

CLI::App* BslFlashCommand::Register(CLI::App& app) {
  CLI::App* sub = app.add_subcommand(
      "bsl-flash",
      "Rewrite a device's firmware through its VeskBSL boot loader: start the boot loader from "
      "the running firmware (or take over one that already listens), erase the INFO memory and "
      "the flash, upload the image and write the vectors. The rescue for a device whose update "
      "was interrupted.");
  AddPortOption(*sub, port_);
  sub->add_option("--firmware", firmwarePath_,
                  "Write this TI-Text file instead of the embedded image (name, device type and "
                  "version come from the file name)")
      ->type_name("FILE");
  sub->add_option("--device-type", deviceType_,
                  "Device-type table row whose memory map and boot-loader speed to use "
                  "(default: the image's device type)")
      ->type_name("ROW")
      ->check(CLI::Range(0, static_cast<int>(kDeviceTypeCount) - 1));
  sub->add_option("--baud", baud_,
                  "The boot loader's speed once started (default: the device type's)")
      ->type_name("RATE")
      ->check(CLI::IsMember({1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200}));
  sub->add_flag("--json", json_, "Print one JSON object per line (events) instead of text");
  AddLogOption(*sub, logPath_);
  sub->footer(
      "Exit status: 0 every step succeeded; 1 the embedded image is damaged; 2 the firmware "
      "file could not be loaded; 4 the port could not be opened; 5 the device has no working "
      "boot loader; 6 the boot loader could not be reached; 7 the device refused a command "
      "while erasing or writing; 8 the device stopped answering while erasing or writing; 9 "
      "stopped on request (Ctrl-C); 10 the image does not fit the device's memory map; 100 and "
      "above: the command line could not be read.");
  return sub;
}

int BslFlashCommand::Run() {
  ProgressOutput output(ChooseOutputMode(json_, ::isatty(STDOUT_FILENO) == 1), std::cout,
                        std::cerr);
  InterruptRequest interrupt;
  const std::string logPath = LogPathOrDefault(logPath_);
  VeskLog log(logPath.c_str(), kLogDetail, false);
  FlashProgress progress(output, interrupt);
  PosixSerialBackend backend;
  VeskBSLHost host(backend, &log, DefaultPump(), &progress);

  auto tellUser = [&](const char* step, int32_t code, int exitCode, const std::string& text) {
    LogWrite(&log, kLogFailure, "ErrorOK Told User:", "%s", text.c_str());
    output.Failure(step, code, exitCode, text);
    return exitCode;
  };

  if (host.image.hostStatus < 0) {
    return tellUser("image", host.image.hostStatus, kFlashExitImageDamaged,
                    ImageConstructionErrorText(host.image.hostStatus, kBuildWindowCaption));
  }
  if (!firmwarePath_.empty()) {
    const int32_t loaded = BSLLoadTIFile(host.image, firmwarePath_, &log);
    if (loaded < 0) {
      return tellUser(
          "image", loaded, kFlashExitFileError,
          FirmwareFileErrorText(loaded, FileNameOf(firmwarePath_), kBuildWindowCaption));
    }
    if (host.image.imageDeviceType == kUnknownDeviceType && deviceType_ < 0) {
      // As the desktop program does: a file whose name names no known device is taken for
      // the kind of device this build updates.
      host.image.imageDeviceType = kBuildImageDeviceType;
    }
  }

  const int row = deviceType_ >= 0 ? deviceType_ : host.image.imageDeviceType;
  DeviceDescriptor d;
  BuildDeviceDescriptor(row, kVersionNotAsked, d);
  const auto baud = static_cast<uint32_t>(baud_ > 0 ? baud_ : d.bootBaud);
  const bool five = d.extendedAddresses;
  const std::string image(ImageName(host.image));

  LogWrite(&log, kLogResult, kCliTag, "bsl-flash of %s to %s (device type %d, boot speed %u)",
           image.c_str(), port_.c_str(), row, baud);
  output.Event("start", {{"port", port_},
                         {"image", image},
                         {"imageLength", host.image.imageLength},
                         {"deviceType", row},
                         {"deviceTypeName", std::string(DisplayNameOf(d))},
                         {"baud", baud},
                         {"extendedAddresses", five},
                         {"log", logPath}});
  output.Note("Writing " + image + " to the " + std::string(DisplayNameOf(d)) + " on " + port_ +
              " (device type " + std::to_string(row) + ", flash " + Hex(d.flashStart) + "-" +
              Hex(d.flashEnd) + ", " + std::to_string(baud) + " baud)");
  const auto began = std::chrono::steady_clock::now();

  auto fail = [&](FlashStep step, int32_t code) {
    const FlashFailure failure = ExplainFlashFailure(step, code, port_);
    BSLDisconnect(host);
    return tellUser(FlashStepName(step), code, failure.exitCode, failure.message);
  };

  output.Step(FlashStepName(FlashStep::kConnect), "Connecting to the boot loader");
  const int32_t version = BSLConnect(host, port_.c_str(), baud, true, kConnectAttempts);
  if (version < 0) {
    return fail(FlashStep::kConnect, version);
  }
  output.Event("connected", {{"bootLoaderVersion", version}});
  output.StepDone(FlashStepName(FlashStep::kConnect),
                  "Connected to VeskBSL version " + std::to_string(version));
  if (interrupt.Requested()) {
    return fail(FlashStep::kConnect, kBslCancelled);
  }

  output.Step(FlashStepName(FlashStep::kEraseInfo), "Erasing the INFO memory");
  int32_t r = BSLEraseINFO(host, d.infoStart, d.infoSegments, d.infoSegmentSize, five);
  if (r < 0) {
    return fail(FlashStep::kEraseInfo, r);
  }
  output.StepDone(FlashStepName(FlashStep::kEraseInfo),
                  "Erased " + std::to_string(d.infoSegments) + " INFO segments");

  output.Step(FlashStepName(FlashStep::kEraseFlash), "Erasing the flash memory");
  r = BSLEraseFlash(host, d.flashStart, d.flashEnd, five);
  if (r < 0) {
    return fail(FlashStep::kEraseFlash, r);
  }
  output.StepDone(FlashStepName(FlashStep::kEraseFlash), "Erased the flash memory");

  output.Step(FlashStepName(FlashStep::kUpload), "Writing the firmware");
  r = BSLSendFirmware(host, five);
  if (r < 0) {
    return fail(FlashStep::kUpload, r);
  }
  output.StepDone(FlashStepName(FlashStep::kUpload), "Wrote the firmware");

  // The vectors end the boot loader's work: the device restarts with the new firmware, often
  // before its acknowledgement gets out, so a missing one is no failure.
  output.Step("vectors", "Writing the vectors and restarting the device");
  const bool acknowledged = BSLSendVectors(host) > 0;
  BSLDisconnect(host);
  output.StepDone("vectors", acknowledged
                                 ? "The device took the vectors and restarts"
                                 : "The device restarted without acknowledging the vectors");

  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
  char summary[64];
  std::snprintf(summary, sizeof summary, "Successfully updated firmware in %.0f seconds.", seconds);
  LogWrite(&log, kLogResult, kCliTag, "%s", summary);
  output.Note(summary);
  output.Event("done", {{"seconds", seconds},
                        {"vectorsAcknowledged", acknowledged},
                        {"restartWaitMs", d.restartWaitMs}});
  return 0;
}

}  // namespace vesk::cli
