// The wait-and-read contract of the serial layer, on a real pseudo-terminal.
#include <chrono>

#include "serial_fixture.h"

namespace vesk::test {
namespace {

using std::chrono::milliseconds;

class SerialExchange : public SerialOnPty {};

TEST_F(SerialExchange, WaitFindsThePromptAndReadReturnsEverythingCollected) {
  auto peer = std::make_unique<sim::ScriptedPeer>();
  peer->When("get -ver\r", "OMB-3 3.26\r\n>tail");
  StartDevice(std::move(peer));
  ASSERT_EQ(Open(), 1);

  ASSERT_EQ(Exchange("get -ver\r", '>', 2000), '>');
  const int readsBefore = backend.reads;
  int32_t result = 0;
  EXPECT_EQ(Read(256, &result), "OMB-3 3.26\r\n>tail");
  EXPECT_EQ(result, 17);
  EXPECT_EQ(backend.reads, readsBefore) << "a read after a successful wait must not touch the port";
  EXPECT_NE(LogText().find("DSWait found '>' in "), std::string::npos);
  EXPECT_NE(LogText().find("DSRead read 17 bytes from gReadBuffer"), std::string::npos);
}

TEST_F(SerialExchange, TimeOutKeepsTheCollectedBytesForTheNextRead) {
  auto peer = std::make_unique<sim::ScriptedPeer>();
  peer->When("query\r", "no prompt here");
  StartDevice(std::move(peer));
  ASSERT_EQ(Open(), 1);

  EXPECT_EQ(Exchange("query\r", '>', 300), 0);
  EXPECT_EQ(std::string(port.gReadBuffer), "no prompt here");
  const int readsBefore = backend.reads;
  EXPECT_EQ(Read(256), "no prompt here");
  EXPECT_EQ(backend.reads, readsBefore + 1) << "after a time-out the read also asks the port";
  EXPECT_NE(LogText().find("DSWait read 14 bytes, but never found '>' in "), std::string::npos);
}

TEST_F(SerialExchange, ShortReadTruncatesAndDropsTheRest) {
  auto peer = std::make_unique<sim::ScriptedPeer>();
  peer->When("x", "0123456789>");
  StartDevice(std::move(peer));
  ASSERT_EQ(Open(), 1);
  ASSERT_EQ(Exchange("x", '>', 2000), '>');

  const int readsBefore = backend.reads;
  int32_t result = -1;
  EXPECT_EQ(Read(4, &result), "0123");
  EXPECT_EQ(result, 4);
  EXPECT_EQ(backend.reads, readsBefore) << "a truncating read does not touch the port";
  EXPECT_EQ(port.gReadBuffer[0], '\0') << "the rest of the answer is dropped";
}

TEST_F(SerialExchange, PurgeAfterAWaitEmptiesTheBuffer) {
  auto peer = std::make_unique<sim::ScriptedPeer>();
  peer->When("x", "answer>");
  StartDevice(std::move(peer));
  ASSERT_EQ(Open(), 1);
  ASSERT_EQ(Exchange("x", '>', 2000), '>');

  EXPECT_EQ(DSPurge(port, 1), 0);
  const int readsBefore = backend.reads;
  int32_t result = -1;
  EXPECT_EQ(Read(256, &result), "");
  EXPECT_EQ(result, 0);
  EXPECT_EQ(backend.reads, readsBefore);
}

TEST_F(SerialExchange, DeviceAnsweringLateIsHeardWithinALongWait) {
  auto peer = std::make_unique<sim::ScriptedPeer>();
  peer->When("slow\r", "done>", milliseconds(900));
  StartDevice(std::move(peer));
  ASSERT_EQ(Open(), 1);
  EXPECT_EQ(Exchange("slow\r", '>', 5000), '>');
  EXPECT_EQ(Read(256), "done>");
}

TEST_F(SerialExchange, EndsTheWaitWhenTheBufferIsFull) {
  auto peer = std::make_unique<sim::ScriptedPeer>();
  peer->When("flood", std::string(3000, 'z'));
  StartDevice(std::move(peer));
  ASSERT_EQ(Open(), 1);
  EXPECT_EQ(Exchange("flood", '>', 60000), 0);
  EXPECT_EQ(Read(kReadBufferSize - 1), std::string(kReadBufferSize - 1, 'z'))
      << "the collected bytes are kept for the reader";
  EXPECT_NE(LogText().find("DSWait filled its buffer with 2047 bytes"), std::string::npos);
}

}  // namespace
}  // namespace vesk::test
