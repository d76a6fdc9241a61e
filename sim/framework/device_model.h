// What a simulated device implements, and the line it talks through.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

namespace vesk::sim {

using SimClock = std::chrono::steady_clock;

// The device's end of the serial line, handed to the model on every call.
class DeviceLine {
 public:
  virtual ~DeviceLine() = default;
  // Queues bytes for the host (paced at line speed when the server throttles).
  virtual void Send(std::string_view bytes) = 0;
  // Queues bytes that go out once `delay` has passed.
  virtual void SendAfter(std::chrono::milliseconds delay, std::string_view bytes) = 0;
  // Asks for an OnTimer call at `when` (replacing an earlier request).
  virtual void WakeAt(SimClock::time_point when) = 0;
  // The baud rate the host set on its end of the line; 0 when unknown.
  virtual uint32_t HostBaud() const = 0;
  virtual SimClock::time_point Now() const = 0;
};

class DeviceModel {
 public:
  virtual ~DeviceModel() = default;
  // Bytes the device received from the host, in order.
  virtual void OnReceive(std::string_view bytes, DeviceLine& line) = 0;
  // The time asked for with WakeAt has come.
  virtual void OnTimer(DeviceLine& /*line*/) {}
  // The speed the device's own UART runs at; 0 means it follows the host. When the two differ,
  // bytes in both directions arrive garbled, as on a real line.
  virtual uint32_t DeviceBaud() const { return 0; }
  // A readable dump of the model's state, for people running the simulator by hand.
  virtual std::string Describe() const { return {}; }
};

}  // namespace vesk::sim
