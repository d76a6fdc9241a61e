// A pseudo-terminal whose master side a simulated device owns.
//
// The program under test opens the slave path as its comm port. The simulator keeps a slave
// descriptor of its own open, so the master never sees a hang-up between the program's opens and
// closes, and so it can read the line settings (the baud rate) the program applied.
#pragma once

#include <cstdint>
#include <string>

namespace vesk::sim {

class PtyPair {
 public:
  // Creates the pair with the slave in raw mode. When `linkPath` is not empty it becomes a
  // symbolic link to the slave (replacing an old link there) and is removed again on destruction.
  // Throws std::system_error on failure.
  explicit PtyPair(const std::string& linkPath = "");
  ~PtyPair();
  PtyPair(const PtyPair&) = delete;
  PtyPair& operator=(const PtyPair&) = delete;

  int master() const { return master_; }
  const std::string& slavePath() const { return slavePath_; }
  // The link path when one was made, the slave path otherwise.
  const std::string& portPath() const { return linkPath_.empty() ? slavePath_ : linkPath_; }

  // The baud rate the program last set on its end of the line.
  uint32_t HostBaud() const;

 private:
  int master_ = -1;
  int slave_ = -1;
  std::string slavePath_;
  std::string linkPath_;
};

}  // namespace vesk::sim
