// Ctrl-C (SIGINT) and SIGTERM as a polite request to stop, for subcommands that must not leave a
// device in the middle of an exchange: the first signal only raises a flag the work polls; a
// second one ends the program the usual way.
#pragma once

namespace vesk::cli {

class InterruptRequest {
 public:
  // Installs the handlers; the destructor puts the previous ones back.
  InterruptRequest();
  ~InterruptRequest();
  InterruptRequest(const InterruptRequest&) = delete;
  InterruptRequest& operator=(const InterruptRequest&) = delete;

  // True once a signal has asked the program to stop.
  bool Requested() const;
};

}  // namespace vesk::cli
