// A device of the maker with the resident VeskBSL boot loader: its application firmware, the boot
// loader's line protocol and a flash memory model.
//
// Application firmware (9600 baud): "boot OIEM\r" starts the boot loader and is answered "OK";
// without a boot loader the answer is "VeskBSL MISSING", when the firmware refuses it "ERROR".
// Other lines get "ERROR" and the prompt, an empty line just the prompt.
//
// Boot loader (at the boot speed): while it waits for a connection a carriage return is answered
// "$" and "P" connects ("#"); connected, it reads command lines (see bootloader_frames.h) and
// answers "+" (the version request "+<version>+"), "-" for a bad or refused frame and "?" for
// stray input. Connecting erases the top segment, which holds the application's vectors. After
// "V" the device restarts: silent for the restart time, then the application runs, or the boot
// loader again when the new firmware has no reset vector.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "framework/device_model.h"
#include "models/bootloader_flash.h"

namespace vesk::sim {

enum class BootloaderMode {
  kApplication,
  kStartingBootLoader,  // answered "OK"; switches its line to the boot speed in a moment
  kWaiting,             // boot loader waiting for "P"
  kConnected,
  kRestarting,  // took the vectors; silent until the restart time has passed
};

const char* ModeName(BootloaderMode mode);

// A firmware image to compare the flash with, in compact image text.
struct ExpectedImage {
  std::string name;
  std::string text;
  std::array<uint32_t, 16> vectors{};
};

struct BootloaderOptions {
  FlashLayout layout;
  uint32_t bootBaud = 9600;
  std::chrono::milliseconds restartTime{1000};
  BootloaderMode start = BootloaderMode::kApplication;  // or kWaiting, kConnected
  bool hasBootLoader = true;                            // false: "VeskBSL MISSING"
  bool refuseBoot = false;                              // "ERROR" to the boot command
  bool acknowledgeVectors = true;
  int32_t bootLoaderVersion = 21;
  // Refuse the refuseOccurrence-th good frame of refuseLetter once (answer "-", do nothing).
  char refuseLetter = 0;
  uint32_t refuseOccurrence = 0;
  // Start with an old firmware in flash (false: everything erased).
  bool oldFirmware = true;
  std::optional<ExpectedImage> expected;  // compared in Describe()
};

// Options for a device of device-type table row `row`: the memory map, boot speed and restart
// time of the descriptor the updater builds for that row.
BootloaderOptions BootloaderOptionsForRow(int row);

class BootloaderDevice final : public DeviceModel {
 public:
  static constexpr uint32_t kApplicationBaud = 9600;
  // How long after "OK" the device switches its line to the boot speed.
  static constexpr std::chrono::milliseconds kBootLoaderStartTime{50};
  static constexpr size_t kMaxLine = 600;

  explicit BootloaderDevice(BootloaderOptions options);

  void OnReceive(std::string_view bytes, DeviceLine& line) override;
  void OnTimer(DeviceLine& line) override;
  uint32_t DeviceBaud() const override;
  std::string Describe() const override;

  BootloaderMode mode() const { return mode_; }
  const FlashMemory& flash() const { return flash_; }
  const BootloaderOptions& options() const { return options_; }
  // Good frames received per command letter (refused ones included).
  uint32_t Frames(char letter) const;
  uint32_t refusedFrames() const { return refusedFrames_; }
  uint32_t badFrames() const { return badFrames_; }
  uint32_t strayLines() const { return strayLines_; }
  uint32_t bootRequests() const { return bootRequests_; }
  uint32_t restarts() const { return restarts_; }
  uint32_t writeAddress() const { return writeAddress_; }

 private:
  // Adds `c` to the line being received (bounded); true when a carriage return ended it.
  bool CollectLine(char c);
  void ApplicationByte(char c, DeviceLine& line);
  void ApplicationLine(DeviceLine& line);
  void WaitingByte(char c, DeviceLine& line);
  void ConnectedByte(char c, DeviceLine& line);
  void CommandLine(DeviceLine& line);
  void Connect(DeviceLine& line);

  BootloaderOptions options_;
  FlashMemory flash_;
  BootloaderMode mode_;
  std::string line_;
  bool lineOverflow_ = false;
  uint32_t writeAddress_ = 0;
  std::map<char, uint32_t> frames_;
  bool refusalDone_ = false;
  uint32_t refusedFrames_ = 0;
  uint32_t badFrames_ = 0;
  uint32_t strayLines_ = 0;
  uint32_t bootRequests_ = 0;
  uint32_t restarts_ = 0;
};

}  // namespace vesk::sim
