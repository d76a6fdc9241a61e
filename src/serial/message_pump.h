// How long waits keep the program alive.
//
// The core never blocks the user interface on its own: every pause of 170 ms or more goes through
// a MessagePump that its owner hands in. The desktop program's pump runs pending window events;
// the command line and the tests use SleepingPump, which simply waits.
#pragma once

#include <chrono>

namespace vesk {

// Something a pause may end early for: the serial port, when input arrives.
class InputSignal {
 public:
  virtual ~InputSignal() = default;
  // Blocks until input is ready to read or `timeout` has passed; true when input is ready.
  virtual bool WaitReadable(std::chrono::milliseconds timeout) = 0;
};

class MessagePump {
 public:
  virtual ~MessagePump() = default;
  // Processes pending events and then waits at most `timeout`. When `input` is given the wait
  // ends as soon as it becomes readable; the result tells whether it did.
  virtual bool Wait(std::chrono::milliseconds timeout, InputSignal* input) = 0;
};

// The pump of programs without a window: sleeps, or waits on the input.
class SleepingPump final : public MessagePump {
 public:
  bool Wait(std::chrono::milliseconds timeout, InputSignal* input) override;
};

// A pump shared by objects that were handed none. It holds no state.
MessagePump& DefaultPump();

}  // namespace vesk
