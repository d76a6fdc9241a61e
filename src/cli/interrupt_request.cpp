#include "cli/interrupt_request.h"

#include <csignal>

namespace vesk::cli {
namespace {

// A signal handler can only talk to the program through a flag like this one.
volatile std::sig_atomic_t gStopRequested = 0;

void OnStopSignal(int signal) {
  gStopRequested = 1;
  // The next signal is not caught: a user who insists gets the program ended at once.
  std::signal(signal, SIG_DFL);
}

}  // namespace

InterruptRequest::InterruptRequest() {
  gStopRequested = 0;
  std::signal(SIGINT, OnStopSignal);
  std::signal(SIGTERM, OnStopSignal);
}

InterruptRequest::~InterruptRequest() {
  std::signal(SIGINT, SIG_DFL);
  std::signal(SIGTERM, SIG_DFL);
}

bool InterruptRequest::Requested() const {
  return gStopRequested != 0;
}

}  // namespace vesk::cli
