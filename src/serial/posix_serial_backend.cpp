#include "serial/posix_serial_backend.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <iterator>

namespace vesk {
namespace {

constexpr int kReadTimeoutMs = 100;
// Writes may take 100 ms plus 10 ms per byte, as long as the line keeps draining.
constexpr int kWriteTimeoutConstantMs = 100;
constexpr int kWriteTimeoutPerByteMs = 10;

struct BaudEntry {
  uint32_t rate;
  speed_t speed;
};
constexpr BaudEntry kBaudTable[] = {
    {300, B300},     {600, B600},       {1200, B1200},     {2400, B2400},
    {4800, B4800},   {9600, B9600},     {19200, B19200},   {38400, B38400},
    {57600, B57600}, {115200, B115200}, {230400, B230400}, {460800, B460800},
};

bool SpeedFor(uint32_t rate, speed_t* speed) {
  for (const BaudEntry& entry : kBaudTable) {
    if (entry.rate == rate) {
      *speed = entry.speed;
      return true;
    }
  }
  return false;
}

PortError ErrnoError(int err, const std::string& what, OpenStage stage = OpenStage::kOpen) {
  return PortError{PortErrorForErrno(err), what + ": " + std::strerror(err), stage};
}

}  // namespace

int PortErrorForErrno(int err) {
  switch (err) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
      return kPortErrorNotFound;
    case EACCES:
    case EPERM:
    case EBUSY:
    case EWOULDBLOCK:
      return kPortErrorAccessDenied;
    case ENOTTY:
    case EINVAL:
      return kPortErrorInvalidParameter;
    case ENOMEM:
      return kPortErrorOutOfMemory;
    default:
      return kPortErrorIoDevice;
  }
}

std::string PosixDevicePath(const std::string& name) {
  if (name.find('/') != std::string::npos) {
    return name;
  }
  return "/dev/" + name;
}

PosixSerialBackend::~PosixSerialBackend() {
  Close();
}

PortError PosixSerialBackend::Open(const std::string& name, uint32_t baud) {
  Close();
  const std::string path = PosixDevicePath(name);
  const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    return ErrnoError(errno, "open " + path);
  }
  // Exclusive use: flock keeps out every program that asks (root included, from this process or
  // another); TIOCEXCL also keeps out programs that do not ask.
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int err = errno;
    ::close(fd);
    return ErrnoError(err == EWOULDBLOCK ? EBUSY : err, "lock " + path);
  }
  fd_ = fd;
  ::ioctl(fd_, TIOCEXCL);

  termios tio{};
  if (::tcgetattr(fd_, &tio) != 0) {
    return ErrnoError(errno, "read settings of " + path, OpenStage::kReadSettings);
  }
  speed_t speed;
  if (!SpeedFor(baud, &speed)) {
    return PortError{kPortErrorInvalidParameter, "unsupported baud rate " + std::to_string(baud),
                     OpenStage::kApplySettings};
  }
  ::cfmakeraw(&tio);
  tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
  tio.c_cflag |= CS8 | CLOCAL | CREAD;
  tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
  ::cfsetispeed(&tio, speed);
  ::cfsetospeed(&tio, speed);
  if (::tcsetattr(fd_, TCSANOW, &tio) != 0) {
    return ErrnoError(errno, "apply settings to " + path, OpenStage::kApplySettings);
  }
  // A read returns what has arrived, or waits up to 100 ms for a first byte.
  tio.c_cc[VMIN] = 0;
  tio.c_cc[VTIME] = 1;
  if (::tcsetattr(fd_, TCSANOW, &tio) != 0) {
    return ErrnoError(errno, "set read time-out of " + path, OpenStage::kSetTimeouts);
  }
  // Pseudo-terminals have no modem lines; their refusal is expected and harmless.
  int dtr = TIOCM_DTR;
  ::ioctl(fd_, TIOCMBIS, &dtr);
  ::tcflush(fd_, TCIFLUSH);
  return {};
}

PortError PosixSerialBackend::Close() {
  if (fd_ < 0) {
    return {};
  }
  int dtr = TIOCM_DTR;
  ::ioctl(fd_, TIOCMBIC, &dtr);
  const int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0) {
    return ErrnoError(errno, "close");
  }
  return {};
}

bool PosixSerialBackend::WaitReadable(std::chrono::milliseconds timeout) {
  if (fd_ < 0) {
    return false;
  }
  pollfd p{fd_, POLLIN, 0};
  const int ready = ::poll(&p, 1, static_cast<int>(timeout.count()));
  // A hang-up or error also ends the wait: the next read reports it.
  return ready > 0;
}

PortTransfer PosixSerialBackend::Read(char* dest, size_t capacity) {
  if (fd_ < 0) {
    return {0, PortError{kPortErrorInvalidParameter, "port is closed"}};
  }
  if (capacity == 0) {
    return {};
  }
  pollfd p{fd_, POLLIN, 0};
  int ready;
  do {
    ready = ::poll(&p, 1, kReadTimeoutMs);
  } while (ready < 0 && errno == EINTR);
  if (ready < 0) {
    return {0, ErrnoError(errno, "poll")};
  }
  if (ready == 0) {
    return {};
  }
  ssize_t got;
  do {
    got = ::read(fd_, dest, capacity);
  } while (got < 0 && errno == EINTR);
  if (got < 0) {
    if (errno == EAGAIN) {
      return {};
    }
    return {0, ErrnoError(errno, "read")};
  }
  if (got == 0 && (p.revents & (POLLHUP | POLLERR)) != 0) {
    // The device went away (a USB adapter pulled out, the other end of a pty closed).
    return {0, ErrnoError(EIO, "read")};
  }
  return {static_cast<size_t>(got), {}};
}

PortTransfer PosixSerialBackend::Write(const char* data, size_t length) {
  if (fd_ < 0) {
    return {0, PortError{kPortErrorInvalidParameter, "port is closed"}};
  }
  using std::chrono::steady_clock;
  const auto budget = std::chrono::milliseconds(kWriteTimeoutConstantMs +
                                                kWriteTimeoutPerByteMs * static_cast<int>(length));
  const auto deadline = steady_clock::now() + budget;
  size_t done = 0;
  while (done < length) {
    const ssize_t n = ::write(fd_, data + done, length - done);
    if (n > 0) {
      done += static_cast<size_t>(n);
      continue;
    }
    if (n < 0 && errno != EAGAIN && errno != EINTR) {
      return {done, ErrnoError(errno, "write")};
    }
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - steady_clock::now());
    if (left.count() <= 0) {
      break;  // the line did not drain in time; the caller compares the count
    }
    pollfd p{fd_, POLLOUT, 0};
    ::poll(&p, 1, static_cast<int>(left.count()));
  }
  return {done, {}};
}

PortError PosixSerialBackend::SetBaud(uint32_t baud) {
  if (fd_ < 0) {
    return PortError{kPortErrorInvalidParameter, "port is closed"};
  }
  speed_t speed;
  if (!SpeedFor(baud, &speed)) {
    return PortError{kPortErrorInvalidParameter, "unsupported baud rate " + std::to_string(baud)};
  }
  termios tio{};
  ::tcgetattr(fd_, &tio);
  ::cfsetispeed(&tio, speed);
  ::cfsetospeed(&tio, speed);
  if (::tcsetattr(fd_, TCSANOW, &tio) != 0) {
    return ErrnoError(errno, "set baud rate");
  }
  return {};
}

void PosixSerialBackend::PurgeInput() {
  if (fd_ >= 0) {
    ::tcflush(fd_, TCIFLUSH);
  }
}

}  // namespace vesk
