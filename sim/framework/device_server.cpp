#include "framework/device_server.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <ctime>

namespace vesk::sim {

class DeviceServer::Line final : public DeviceLine {
 public:
  explicit Line(DeviceServer& server) : server_(server) {}

  void Send(std::string_view bytes) override { SendAfter(std::chrono::milliseconds(0), bytes); }

  void SendAfter(std::chrono::milliseconds delay, std::string_view bytes) override {
    if (bytes.empty() || server_.Silenced()) {
      return;
    }
    Pending item{Now() + delay, std::string(bytes)};
    auto& queue = server_.outbound_;
    // Keep the queue in the order the bytes go out; equal times keep the order of the calls.
    auto at =
        std::upper_bound(queue.begin(), queue.end(), item.due,
                         [](SimClock::time_point due, const Pending& p) { return due < p.due; });
    queue.insert(at, std::move(item));
  }

  void WakeAt(SimClock::time_point when) override { server_.timer_ = when; }
  uint32_t HostBaud() const override { return server_.pty_.HostBaud(); }
  SimClock::time_point Now() const override { return SimClock::now(); }

 private:
  DeviceServer& server_;
};

DeviceServer::DeviceServer(std::unique_ptr<DeviceModel> model, ServerOptions options)
    : pty_(options.linkPath),
      model_(std::move(model)),
      options_(std::move(options)),
      random_(options_.faults.seed) {
  if (::pipe2(wakePipe_, O_CLOEXEC | O_NONBLOCK) != 0) {
    wakePipe_[0] = wakePipe_[1] = -1;
  }
}

DeviceServer::~DeviceServer() {
  Stop();
  ::close(wakePipe_[0]);
  ::close(wakePipe_[1]);
}

void DeviceServer::Start() {
  if (running_.exchange(true)) {
    return;
  }
  thread_ = std::thread([this] { Run(); });
}

void DeviceServer::Stop() {
  if (!running_.exchange(false)) {
    return;
  }
  const char wake = 1;
  [[maybe_unused]] auto ignored = ::write(wakePipe_[1], &wake, 1);
  thread_.join();
}

std::string DeviceServer::Received() const {
  std::lock_guard lock(mutex_);
  return received_;
}

std::string DeviceServer::Sent() const {
  std::lock_guard lock(mutex_);
  return sent_;
}

bool DeviceServer::Silenced() const {
  return options_.faults.silentAfterBytes && hostBytes_ >= *options_.faults.silentAfterBytes;
}

SimClock::duration DeviceServer::ByteTime() const {
  const uint32_t baud = pty_.HostBaud();
  if (!options_.throttle || baud == 0) {
    return SimClock::duration::zero();
  }
  // Start bit, eight data bits, stop bit.
  return std::chrono::duration_cast<SimClock::duration>(std::chrono::duration<double>(10.0 / baud));
}

bool DeviceServer::Garbled() const {
  const uint32_t device = model_->DeviceBaud();
  return device != 0 && device != pty_.HostBaud();
}

char DeviceServer::Garble(char c) {
  // A receiver sampling at the wrong speed sees framing errors and unrelated values.
  return static_cast<char>((static_cast<unsigned char>(c) * 7u + 0x35u) | 0x80u);
}

void DeviceServer::ReadHost(SimClock::time_point now) {
  char buffer[4096];
  for (;;) {
    const ssize_t got = ::read(pty_.master(), buffer, sizeof buffer);
    if (got <= 0) {
      return;
    }
    std::string kept;
    for (ssize_t i = 0; i < got; ++i) {
      received_.push_back(buffer[i]);
      if (Silenced()) {
        continue;
      }
      ++hostBytes_;
      std::uniform_real_distribution<double> chance(0.0, 1.0);
      if (options_.faults.dropRate > 0 && chance(random_) < options_.faults.dropRate) {
        continue;
      }
      char c = buffer[i];
      if (options_.faults.corruptRate > 0 && chance(random_) < options_.faults.corruptRate) {
        c = static_cast<char>(c ^ (1 << (random_() % 8)));
      }
      kept.push_back(c);
    }
    if (kept.empty()) {
      continue;
    }
    // Throttled, the device's UART has the last byte only after the line carried them all.
    const auto start = std::max(now, inboundFree_);
    const auto due = start + ByteTime() * static_cast<int64_t>(kept.size());
    inboundFree_ = due;
    inbound_.push_back(Pending{due, std::move(kept)});
  }
}

void DeviceServer::DeliverDue(SimClock::time_point now) {
  Line line(*this);
  while (!inbound_.empty() && inbound_.front().due <= now) {
    std::string bytes = std::move(inbound_.front().bytes);
    inbound_.pop_front();
    if (Garbled()) {
      std::transform(bytes.begin(), bytes.end(), bytes.begin(),
                     [this](char c) { return Garble(c); });
    }
    model_->OnReceive(bytes, line);
  }
  if (timer_ && *timer_ <= now) {
    timer_.reset();
    model_->OnTimer(line);
  }
}

void DeviceServer::WriteDue(SimClock::time_point now) {
  const auto byteTime = ByteTime();
  while (!outbound_.empty() && outbound_.front().due <= now) {
    if (Silenced()) {
      outbound_.clear();
      return;
    }
    Pending& item = outbound_.front();
    size_t count = item.bytes.size();
    auto start = std::max(item.due, outboundFree_);
    if (byteTime > SimClock::duration::zero()) {
      if (start > now) {
        return;
      }
      // As many bytes as the line has carried by now.
      const auto fit = static_cast<size_t>((now - start) / byteTime) + 1;
      count = std::min(count, fit);
    }
    std::string chunk = item.bytes.substr(0, count);
    if (Garbled()) {
      std::transform(chunk.begin(), chunk.end(), chunk.begin(),
                     [this](char c) { return Garble(c); });
    }
    const ssize_t written = ::write(pty_.master(), chunk.data(), chunk.size());
    if (written <= 0) {
      return;  // the host is not reading; try again later
    }
    sent_.append(chunk, 0, static_cast<size_t>(written));
    outboundFree_ = start + byteTime * written;
    item.bytes.erase(0, static_cast<size_t>(written));
    if (item.bytes.empty()) {
      outbound_.pop_front();
    }
  }
}

std::optional<SimClock::time_point> DeviceServer::NextEvent() const {
  std::optional<SimClock::time_point> next = timer_;
  auto consider = [&next](SimClock::time_point t) {
    if (!next || t < *next) {
      next = t;
    }
  };
  if (!inbound_.empty()) {
    consider(inbound_.front().due);
  }
  if (!outbound_.empty()) {
    consider(std::max(outbound_.front().due, outboundFree_));
  }
  return next;
}

void DeviceServer::Run() {
  constexpr auto kIdle = std::chrono::milliseconds(100);
  while (running_) {
    SimClock::duration wait = kIdle;
    {
      std::lock_guard lock(mutex_);
      if (auto next = NextEvent()) {
        wait = std::clamp<SimClock::duration>(*next - SimClock::now(), SimClock::duration::zero(),
                                              kIdle);
      }
    }
    pollfd fds[2] = {{pty_.master(), POLLIN, 0}, {wakePipe_[0], POLLIN, 0}};
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(wait).count();
    timespec timeout{static_cast<time_t>(ns / 1000000000), static_cast<long>(ns % 1000000000)};
    ::ppoll(fds, 2, &timeout, nullptr);

    std::lock_guard lock(mutex_);
    const auto now = SimClock::now();
    if ((fds[0].revents & POLLIN) != 0) {
      ReadHost(now);
    }
    DeliverDue(now);
    WriteDue(SimClock::now());
  }
}

}  // namespace vesk::sim
