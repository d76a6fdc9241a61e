// Opening, closing and configuring a port.
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "serial_fixture.h"

extern char** environ;

namespace vesk::test {
namespace {

class SerialOpen : public SerialOnPty {
 protected:
  void SetUp() override { StartDevice(std::make_unique<sim::ScriptedPeer>()); }
};

TEST_F(SerialOpen, OpensAtTheDefaultRateWhenGivenZero) {
  EXPECT_EQ(Open(0), 1);
  EXPECT_EQ(port.baudRate, 9600u);
  EXPECT_EQ(port.portName, server->portPath());
  ASSERT_NE(port.gReadBuffer, nullptr);
  EXPECT_TRUE(port.ownsReadBuffer);
  EXPECT_NE(LogText().find("DSOpen successfully opened and configured comm port at 9600 baud"),
            std::string::npos);
  EXPECT_EQ(DSClose(port), 1);
  EXPECT_EQ(port.gReadBuffer, nullptr) << "the buffer the port allocated goes with the close";
  EXPECT_EQ(DSClose(port), 0);
}

TEST_F(SerialOpen, ReopeningAnOpenPortClosesItFirst) {
  ASSERT_EQ(Open(), 1);
  const long handle = backend.Handle();
  EXPECT_EQ(Open(), 1);
  EXPECT_NE(LogText().find("VeskSerial: DSOpen found port \"" + std::to_string(handle) +
                           "\" already open"),
            std::string::npos);
  EXPECT_NE(LogText().find("DSClose closed comm port"), std::string::npos);
  EXPECT_TRUE(DSIsOpen(port));
}

TEST_F(SerialOpen, SuppliedBufferIsNeverFreedByThePort) {
  char buffer[kReadBufferSize];
  port.gReadBuffer = buffer;
  ASSERT_EQ(Open(), 1);
  EXPECT_FALSE(port.ownsReadBuffer);
  EXPECT_EQ(DSClose(port), 1);
  EXPECT_EQ(port.gReadBuffer, buffer);
}

TEST_F(SerialOpen, MissingPortIsTwoAndCloseAfterwardsDoesNothing) {
  EXPECT_EQ(DSOpen(port, dir.File("no-such-port"), 9600), -2);
  EXPECT_NE(LogText().find("DSOpen failed to open comm port (error 2)"), std::string::npos);
  EXPECT_EQ(DSClose(port), 0);
}

TEST_F(SerialOpen, AFileThatIsNoSerialPortIsRefused) {
  WriteFile(dir.File("plain-file"), "");
  const int32_t result = DSOpen(port, dir.File("plain-file"), 9600);
  EXPECT_LT(result, 0);
  EXPECT_NE(result, -2);
  EXPECT_NE(result, -5);
  EXPECT_NE(LogText().find("DSOpen failed to retreive DCB on comm port (error 87)"),
            std::string::npos);
  EXPECT_EQ(DSClose(port), 1) << "the half-configured port is released by the owner's close";
}

TEST_F(SerialOpen, PortHeldInThisProcessIsInUse) {
  ASSERT_EQ(Open(), 1);
  CountingBackend otherBackend;
  VeskSerial other(otherBackend, &log);
  EXPECT_EQ(DSOpen(other, server->portPath(), 9600), -5);
  EXPECT_EQ(DSClose(other), 0);
}

TEST_F(SerialOpen, PortHeldByAnotherProcessIsInUse) {
  // flock(1) holds the same kind of lock a second copy of the program would.
  const std::string path = server->portPath();
  const char* argv[] = {"flock", "--exclusive", "--no-fork", path.c_str(), "sleep", "30", nullptr};
  pid_t child = 0;
  ASSERT_EQ(posix_spawnp(&child, "flock", nullptr, nullptr, const_cast<char**>(argv), environ), 0);
  int32_t result = 1;
  for (int attempt = 0; attempt < 100 && result == 1; ++attempt) {
    // Until the other process holds the lock our own open succeeds; give it time to start.
    result = Open();
    if (result == 1) {
      DSClose(port);
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
  }
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  EXPECT_EQ(result, -5);
  EXPECT_NE(LogText().find("DSOpen failed to open comm port (error 5)"), std::string::npos);
}

TEST_F(SerialOpen, HostBaudChangesOnlyWhatNeedsChanging) {
  EXPECT_EQ(DSHostBaud(port, 19200), -6) << "never opened";
  ASSERT_EQ(Open(9600), 1);

  EXPECT_EQ(DSHostBaud(port, 9600), 0);
  EXPECT_EQ(backend.baudChanges, 0) << "the current rate does not touch the driver";

  EXPECT_EQ(DSHostBaud(port, 115200), 1);
  EXPECT_EQ(port.baudRate, 115200u);

  EXPECT_LT(DSHostBaud(port, 12345), 0);
  EXPECT_EQ(port.baudRate, 115200u) << "a refused rate keeps the old one";
  EXPECT_NE(LogText().find("DSHostBaud failed to apply new baud rate \"12345\" (error 87)"),
            std::string::npos);
}

TEST_F(SerialOpen, EveryRateOfTheCommandChannelIsAccepted) {
  ASSERT_EQ(Open(), 1);
  for (uint32_t rate :
       {1200u, 2400u, 4800u, 9600u, 19200u, 38400u, 57600u, 115200u, 230400u, 460800u}) {
    EXPECT_GE(DSHostBaud(port, rate), 0) << rate;
    EXPECT_EQ(port.baudRate, rate);
  }
}

TEST_F(SerialOpen, ClosedPortOperationsFailWithTwentyOne) {
  char buffer[16];
  size_t count = 0;
  port.gReadBuffer = buffer;
  buffer[0] = '\0';
  EXPECT_EQ(DSWrite(port, "x", 1, count), -21);
  EXPECT_EQ(DSWait(port, 100, '>'), -21);
  EXPECT_EQ(DSRead(port, buffer, sizeof buffer, count), -21);
  const std::string text = LogText();
  EXPECT_NE(text.find("VeskSerial: DSWrite tried to write to a closed port"), std::string::npos);
  EXPECT_NE(text.find("VeskSerial: DSWait tried to operate on a closed port"), std::string::npos);
  EXPECT_NE(text.find("VeskSerial: DSRead tried to read from a closed port"), std::string::npos);
}

TEST_F(SerialOpen, PulledCableMakesReadsFail) {
  ASSERT_EQ(Open(), 1);
  server.reset();  // the device end disappears
  int32_t result = 0;
  for (int attempt = 0; attempt < 5 && result >= 0; ++attempt) {
    Read(16, &result);
  }
  EXPECT_EQ(result, -21);
}

}  // namespace
}  // namespace vesk::test
