// Serves a DeviceModel on the master side of a pseudo-terminal, on a thread of its own.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <thread>

#include "framework/device_model.h"
#include "framework/pty_pair.h"

namespace vesk::sim {

struct LineFaults {
  double dropRate = 0.0;     // chance that a byte from the host is lost
  double corruptRate = 0.0;  // chance that a byte from the host arrives with a bit flipped
  // After this many bytes from the host the device hears and says nothing more (a pulled
  // cable). Unset: never.
  std::optional<uint64_t> silentAfterBytes;
  uint32_t seed = 1;
};

struct ServerOptions {
  std::string linkPath;   // a symbolic link to the slave, when not empty
  bool throttle = false;  // pace both directions at the host's baud rate (10 bits a byte)
  LineFaults faults;
};

class DeviceServer {
 public:
  DeviceServer(std::unique_ptr<DeviceModel> model, ServerOptions options = {});
  ~DeviceServer();
  DeviceServer(const DeviceServer&) = delete;
  DeviceServer& operator=(const DeviceServer&) = delete;

  void Start();
  void Stop();

  // The path the program opens as its comm port.
  const std::string& portPath() const { return pty_.portPath(); }

  // Runs `fn` on the model while the server thread is held off.
  template <typename Model, typename Fn>
  auto WithModel(Fn&& fn) {
    std::lock_guard lock(mutex_);
    return fn(static_cast<Model&>(*model_));
  }

  // Everything the device received from the host (before faults), and everything it sent.
  std::string Received() const;
  std::string Sent() const;

 private:
  class Line;
  struct Pending {
    SimClock::time_point due;
    std::string bytes;
  };

  void Run();
  void ReadHost(SimClock::time_point now);
  void DeliverDue(SimClock::time_point now);
  void WriteDue(SimClock::time_point now);
  std::optional<SimClock::time_point> NextEvent() const;
  SimClock::duration ByteTime() const;
  bool Garbled() const;
  bool Silenced() const;
  char Garble(char c);

  PtyPair pty_;
  std::unique_ptr<DeviceModel> model_;
  ServerOptions options_;
  mutable std::mutex mutex_;
  std::thread thread_;
  std::atomic<bool> running_{false};
  int wakePipe_[2] = {-1, -1};

  std::mt19937 random_;
  uint64_t hostBytes_ = 0;
  std::string received_;
  std::string sent_;
  std::deque<Pending> inbound_;   // host bytes on their way to the device's UART
  std::deque<Pending> outbound_;  // device bytes on their way to the host
  SimClock::time_point inboundFree_{};
  SimClock::time_point outboundFree_{};
  std::optional<SimClock::time_point> timer_;
};

}  // namespace vesk::sim
