#include "framework/pty_pair.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <system_error>

namespace vesk::sim {
namespace {

[[noreturn]] void Fail(const char* what) {
  throw std::system_error(errno, std::generic_category(), what);
}

uint32_t RateForSpeed(speed_t speed) {
  struct Entry {
    speed_t speed;
    uint32_t rate;
  };
  static constexpr Entry kTable[] = {
      {B300, 300},     {B600, 600},       {B1200, 1200},     {B2400, 2400},
      {B4800, 4800},   {B9600, 9600},     {B19200, 19200},   {B38400, 38400},
      {B57600, 57600}, {B115200, 115200}, {B230400, 230400}, {B460800, 460800},
  };
  for (const Entry& e : kTable) {
    if (e.speed == speed) {
      return e.rate;
    }
  }
  return 0;
}

}  // namespace

PtyPair::PtyPair(const std::string& linkPath) {
  master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (master_ < 0) {
    Fail("posix_openpt");
  }
  if (::grantpt(master_) != 0 || ::unlockpt(master_) != 0) {
    ::close(master_);
    Fail("unlockpt");
  }
  char name[128];
  if (::ptsname_r(master_, name, sizeof name) != 0) {
    ::close(master_);
    Fail("ptsname_r");
  }
  slavePath_ = name;
  slave_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (slave_ < 0) {
    ::close(master_);
    Fail("open pty slave");
  }
  // Raw from the start: no echo and no line-end translation before the program configures it.
  termios tio{};
  ::tcgetattr(slave_, &tio);
  ::cfmakeraw(&tio);
  ::cfsetispeed(&tio, B9600);
  ::cfsetospeed(&tio, B9600);
  ::tcsetattr(slave_, TCSANOW, &tio);
  ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);

  if (!linkPath.empty()) {
    ::unlink(linkPath.c_str());
    if (::symlink(slavePath_.c_str(), linkPath.c_str()) != 0) {
      const int err = errno;
      ::close(slave_);
      ::close(master_);
      errno = err;
      Fail("symlink");
    }
    linkPath_ = linkPath;
  }
}

PtyPair::~PtyPair() {
  if (!linkPath_.empty()) {
    ::unlink(linkPath_.c_str());
  }
  ::close(slave_);
  ::close(master_);
}

uint32_t PtyPair::HostBaud() const {
  termios tio{};
  if (::tcgetattr(slave_, &tio) != 0) {
    return 0;
  }
  return RateForSpeed(::cfgetospeed(&tio));
}

}  // namespace vesk::sim
