#include "models/bootloader_device.h"

#include <algorithm>
#include <cstdio>
#include <sstream>

#include "bsl/device_type_table.h"
#include "models/bootloader_frames.h"

namespace vesk::sim {
namespace {

constexpr std::string_view kBootCommand = "boot OIEM";
constexpr std::string_view kPrompt = "\r\n>";

}  // namespace

const char* ModeName(BootloaderMode mode) {
  switch (mode) {
    case BootloaderMode::kApplication:
      return "application";
    case BootloaderMode::kStartingBootLoader:
      return "starting boot loader";
    case BootloaderMode::kWaiting:
      return "boot loader waiting";
    case BootloaderMode::kConnected:
      return "boot loader connected";
    case BootloaderMode::kRestarting:
      return "restarting";
  }
  return "?";
}

BootloaderOptions BootloaderOptionsForRow(int row) {
  DeviceDescriptor descriptor;
  BuildDeviceDescriptor(row, kVersionNotAsked, descriptor);
  BootloaderOptions options;
  options.layout =
      LayoutFor(static_cast<uint32_t>(descriptor.infoStart),
                static_cast<uint32_t>(descriptor.infoSegmentSize),
                static_cast<uint32_t>(descriptor.flashStart),
                static_cast<uint32_t>(descriptor.flashEnd), descriptor.extendedAddresses);
  options.bootBaud = static_cast<uint32_t>(descriptor.bootBaud);
  options.restartTime = std::chrono::milliseconds(descriptor.restartWaitMs);
  return options;
}

BootloaderDevice::BootloaderDevice(BootloaderOptions options)
    : options_(std::move(options)), flash_(options_.layout), mode_(options_.start) {
  if (options_.oldFirmware) {
    flash_.FillWithOldFirmware();
  }
  if (mode_ == BootloaderMode::kWaiting || mode_ == BootloaderMode::kConnected) {
    // A device found in its boot loader is one whose update was cut short: the boot loader
    // has already given up the application's vectors.
    flash_.EraseTopSegment();
  } else {
    mode_ = BootloaderMode::kApplication;
  }
}

uint32_t BootloaderDevice::Frames(char letter) const {
  const auto found = frames_.find(letter);
  return found == frames_.end() ? 0 : found->second;
}

uint32_t BootloaderDevice::DeviceBaud() const {
  switch (mode_) {
    case BootloaderMode::kApplication:
    case BootloaderMode::kStartingBootLoader:
      return kApplicationBaud;
    default:
      return options_.bootBaud;
  }
}

void BootloaderDevice::OnReceive(std::string_view bytes, DeviceLine& line) {
  for (char c : bytes) {
    switch (mode_) {
      case BootloaderMode::kApplication:
        ApplicationByte(c, line);
        break;
      case BootloaderMode::kWaiting:
        WaitingByte(c, line);
        break;
      case BootloaderMode::kConnected:
        ConnectedByte(c, line);
        break;
      case BootloaderMode::kStartingBootLoader:
      case BootloaderMode::kRestarting:
        break;  // not listening
    }
  }
}

void BootloaderDevice::OnTimer(DeviceLine& /*line*/) {
  line_.clear();
  lineOverflow_ = false;
  if (mode_ == BootloaderMode::kStartingBootLoader) {
    mode_ = BootloaderMode::kWaiting;
  } else if (mode_ == BootloaderMode::kRestarting) {
    ++restarts_;
    // Without a reset vector there is no application to run; the boot loader takes over.
    mode_ = flash_.Word(kResetVectorAddress) == 0xFFFF ? BootloaderMode::kWaiting
                                                       : BootloaderMode::kApplication;
  }
}

bool BootloaderDevice::CollectLine(char c) {
  if (c == '\r') {
    return true;
  }
  if (line_.size() < kMaxLine) {
    line_.push_back(c);
  } else {
    lineOverflow_ = true;
  }
  return false;
}

void BootloaderDevice::ApplicationByte(char c, DeviceLine& line) {
  if (CollectLine(c)) {
    ApplicationLine(line);
    line_.clear();
    lineOverflow_ = false;
  }
}

void BootloaderDevice::ApplicationLine(DeviceLine& line) {
  std::string_view text = line_;
  while (!text.empty() && text.front() == '\n') {
    text.remove_prefix(1);
  }
  if (text.empty()) {
    line.Send(kPrompt);
    return;
  }
  if (lineOverflow_ || text != kBootCommand) {
    line.Send(std::string("ERROR") + std::string(kPrompt));
    return;
  }
  ++bootRequests_;
  if (!options_.hasBootLoader) {
    line.Send(std::string("VeskBSL MISSING") + std::string(kPrompt));
    return;
  }
  if (options_.refuseBoot) {
    line.Send(std::string("ERROR") + std::string(kPrompt));
    return;
  }
  line.Send("OK\r\n");
  mode_ = BootloaderMode::kStartingBootLoader;
  line.WakeAt(line.Now() + kBootLoaderStartTime);
}

void BootloaderDevice::WaitingByte(char c, DeviceLine& line) {
  if (c == '\r') {
    line.Send("$");
  } else if (c == 'P') {
    Connect(line);
  }
  // Anything else is noise on the line while nobody is connected.
}

void BootloaderDevice::Connect(DeviceLine& line) {
  flash_.EraseTopSegment();
  mode_ = BootloaderMode::kConnected;
  line_.clear();
  lineOverflow_ = false;
  line.Send("#");
}

void BootloaderDevice::ConnectedByte(char c, DeviceLine& line) {
  if (CollectLine(c)) {
    CommandLine(line);
    line_.clear();
    lineOverflow_ = false;
  }
}

void BootloaderDevice::CommandLine(DeviceLine& line) {
  BootloaderFrame frame;
  const int digits = options_.layout.extendedAddresses ? 5 : 4;
  const FrameCheck check = lineOverflow_ ? FrameCheck::kBad : ReadFrame(line_, digits, frame);
  if (check == FrameCheck::kStray) {
    ++strayLines_;
    line.Send("?\r");
    return;
  }
  if (check == FrameCheck::kBad) {
    ++badFrames_;
    line.Send("-\r");
    return;
  }
  const uint32_t occurrence = ++frames_[frame.letter];
  if (!refusalDone_ && frame.letter == options_.refuseLetter &&
      occurrence == options_.refuseOccurrence) {
    refusalDone_ = true;
    ++refusedFrames_;
    line.Send("-\r");
    return;
  }
  bool done = true;
  switch (frame.letter) {
    case 'g': {
      char answer[32];
      std::snprintf(answer, sizeof answer, "+%d+\r", options_.bootLoaderVersion);
      line.Send(answer);
      return;
    }
    case '@':
      writeAddress_ = frame.address;
      break;
    case 'W':
      done = flash_.Program(writeAddress_, frame.data);
      if (done) {
        writeAddress_ += static_cast<uint32_t>(frame.data.size());
      }
      break;
    case 'X':
      done = flash_.EraseSegmentAt(frame.address);
      break;
    case 'V':
      done = flash_.Program(kVectorTableAddress, frame.data);
      if (done) {
        if (options_.acknowledgeVectors) {
          line.Send("+\r");
        }
        mode_ = BootloaderMode::kRestarting;
        line.WakeAt(line.Now() + std::max(options_.restartTime, std::chrono::milliseconds(20)));
        return;
      }
      break;
    default:
      break;
  }
  line.Send(done ? "+\r" : "-\r");
}

std::string BootloaderDevice::Describe() const {
  std::ostringstream out;
  char text[160];
  const FlashLayout& l = flash_.layout();
  out << "Boot-loader device: " << ModeName(mode_) << "\n";
  std::snprintf(text, sizeof text,
                "  memory: info %05X-%05X (%u-byte segments), main %05X-%05X, %s addresses\n",
                l.infoStart, l.infoEnd - 1, l.infoSegmentSize, l.mainStart, l.mainEnd - 1,
                l.extendedAddresses ? "five-digit" : "four-digit");
  out << text;
  std::snprintf(text, sizeof text,
                "  frames: g %u, @ %u, W %u, X %u, V %u; refused %u, bad %u, stray %u\n",
                Frames('g'), Frames('@'), Frames('W'), Frames('X'), Frames('V'), refusedFrames_,
                badFrames_, strayLines_);
  out << text;
  std::snprintf(text, sizeof text,
                "  boot requests %u, restarts %u, segments erased %zu, bytes written over "
                "unerased flash %llu\n",
                bootRequests_, restarts_, flash_.erasedSegments().size(),
                static_cast<unsigned long long>(flash_.dirtyBytes()));
  out << text;
  out << "  vectors:";
  for (uint32_t i = 0; i < 16; ++i) {
    std::snprintf(text, sizeof text, " %04X", flash_.Word(kVectorTableAddress + 2 * i));
    out << text;
  }
  out << "\n";
  if (options_.expected) {
    const auto differences =
        CompareWithImage(flash_, options_.expected->text, options_.expected->vectors);
    if (differences.empty()) {
      out << "  flash matches the image " << options_.expected->name << "\n";
    } else {
      out << "  flash DIFFERS from the image " << options_.expected->name << ":\n";
      for (const auto& d : differences) {
        out << "    " << d << "\n";
      }
    }
  }
  return out.str();
}

}  // namespace vesk::sim
